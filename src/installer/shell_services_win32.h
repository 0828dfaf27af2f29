#pragma once
// The installer's shell services on Windows: shell links through COM, processes, and the
// folders the system names.

#include "installer/shell_services.h"

namespace skyloom {

class WindowsShellServices final : public ShellServices {
 public:
  bool createShortcut(const std::string& target, const std::string& linkPath, const std::string& description,
                      const std::string& arguments, const std::string& workingDirectory) override;
  bool startProcess(const std::string& commandLine) override;
  std::string windowsDirectory() override;
  std::string programsFolder() override;
  std::string desktopFolder() override;
  std::string temporaryFolder() override;
};

}  // namespace skyloom
