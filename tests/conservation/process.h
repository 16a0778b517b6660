// Starting the program itself (build/ruzer.exe) from a test.
#pragma once

#include <string>
#include <windows.h>

namespace ruzer::test {

// build/ruzer.exe, beside the tests folder this test runs from.
std::wstring RuzerExe();

// A started ruzer.exe; killed and closed when it goes out of scope.
class RuzerProcess {
 public:
  RuzerProcess() = default;
  ~RuzerProcess();
  RuzerProcess(const RuzerProcess&) = delete;
  RuzerProcess& operator=(const RuzerProcess&) = delete;

  // Starts ruzer.exe with the arguments (after the program name).
  bool Start(const std::wstring& args);
  // Waits up to `ms`; true when the process has ended.
  bool Wait(DWORD ms);
  void Kill();
  DWORD ExitCode() const;
  DWORD Pid() const { return pi_.dwProcessId; }
  bool Running() const;

 private:
  PROCESS_INFORMATION pi_{};
};

}  // namespace ruzer::test
