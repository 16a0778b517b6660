#include "base/ui.h"

namespace ruzer {

namespace {
class RealClock final : public IClock {
 public:
  SYSTEMTIME Now() override {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return t;
  }
  void Sleep(int ms) override { ::Sleep(static_cast<DWORD>(ms < 0 ? 0 : ms)); }
  std::uint64_t TickMs() override { return GetTickCount64(); }
};
}  // namespace

IClock& SystemClock() {
  static RealClock clock;
  return clock;
}

}  // namespace ruzer
