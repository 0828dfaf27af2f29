#include "installer/shell_services_win32.h"

// windows.h first: the shell headers build on it.
#include <windows.h>
//
#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace skyloom {

namespace {
std::string withoutTrailingSlash(std::string path) {
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

std::string specialFolder(int folder) {
  char path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, path, folder, TRUE)) return {};
  return withoutTrailingSlash(path);
}
}  // namespace

// COM is started for the one link: the worker thread that makes them has no apartment of its own.
bool WindowsShellServices::createShortcut(const std::string& target, const std::string& linkPath,
                                          const std::string& description, const std::string& arguments,
                                          const std::string& workingDirectory) {
  const HRESULT init = CoInitialize(nullptr);
  bool saved = false;
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    link->SetPath(target.c_str());
    link->SetArguments(arguments.c_str());
    link->SetWorkingDirectory(workingDirectory.c_str());
    link->SetDescription(description.c_str());
    link->SetIconLocation(target.c_str(), 0);
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      const int n = MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, nullptr, 0);
      if (n > 0) {
        std::vector<wchar_t> wide(static_cast<std::size_t>(n));
        MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide.data(), n);
        saved = SUCCEEDED(file->Save(wide.data(), TRUE));
      }
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return saved;
}

bool WindowsShellServices::startProcess(const std::string& commandLine) {
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

std::string WindowsShellServices::windowsDirectory() {
  char path[MAX_PATH] = {};
  const UINT n = GetWindowsDirectoryA(path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? withoutTrailingSlash(path) : std::string();
}

std::string WindowsShellServices::programsFolder() { return specialFolder(CSIDL_PROGRAMS); }
std::string WindowsShellServices::desktopFolder() { return specialFolder(CSIDL_DESKTOPDIRECTORY); }

std::string WindowsShellServices::temporaryFolder() {
  char path[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(MAX_PATH + 1, path);
  return n > 0 && n <= MAX_PATH ? withoutTrailingSlash(path) : std::string();
}

}  // namespace skyloom
