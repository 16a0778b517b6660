// Texts of the main window that a long operation changes faster than anyone
// can read them (status line, free space, the source list's column title,
// the error list's scroll position). Under Wine every change repaints at once
// and costs far more than the file it names, so during an operation only the
// newest value is kept and drawn at most once per interval.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ruzer {

class ViewPacer {
 public:
  enum Slot { Status, FreeSpace, ColumnTitle, kSlots };
  struct Batch {
    std::optional<std::wstring> text[kSlots];
    bool scrollErrorList = false;
  };

  explicit ViewPacer(std::uint64_t intervalMs) : interval_(intervalMs) {}

  void Set(Slot slot, std::wstring text) {
    text_[slot] = std::move(text);
  }
  void ScrollErrorList() { scroll_ = true; }
  bool Pending() const {
    for (const auto& t : text_)
      if (t) return true;
    return scroll_;
  }
  // Something waits and the last drawing is at least one interval ago.
  bool Due(std::uint64_t nowMs) const { return Pending() && (!drawn_ || nowMs - lastMs_ >= interval_); }
  // What waits, in one batch; the caller draws it now.
  Batch Take(std::uint64_t nowMs) {
    Batch b;
    for (int i = 0; i < kSlots; ++i) {
      b.text[i] = std::move(text_[i]);
      text_[i].reset();
    }
    b.scrollErrorList = scroll_;
    scroll_ = false;
    drawn_ = true;
    lastMs_ = nowMs;
    return b;
  }

 private:
  std::uint64_t interval_;
  std::optional<std::wstring> text_[kSlots];
  bool scroll_ = false;
  bool drawn_ = false;
  std::uint64_t lastMs_ = 0;
};

}  // namespace ruzer
