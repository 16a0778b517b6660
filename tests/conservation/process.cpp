#include "process.h"

namespace ruzer::test {

std::wstring RuzerExe() {
  wchar_t buf[MAX_PATH];
  std::wstring self(buf, GetModuleFileNameW(nullptr, buf, MAX_PATH));
  self = self.substr(0, self.rfind(L'\\'));  // build\tests
  return self.substr(0, self.rfind(L'\\')) + L"\\ruzer.exe";
}

RuzerProcess::~RuzerProcess() {
  if (pi_.hProcess) {
    Kill();
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
  }
}

bool RuzerProcess::Start(const std::wstring& args) {
  std::wstring cmd = L"\"" + RuzerExe() + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  return CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_) != 0;
}

bool RuzerProcess::Wait(DWORD ms) { return pi_.hProcess && WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0; }

bool RuzerProcess::Running() const {
  return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

void RuzerProcess::Kill() {
  if (Running()) {
    TerminateProcess(pi_.hProcess, 99);
    WaitForSingleObject(pi_.hProcess, 10000);
  }
}

DWORD RuzerProcess::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (pi_.hProcess) GetExitCodeProcess(pi_.hProcess, &code);
  return code;
}

}  // namespace ruzer::test
