#pragma once
// The product's texts, each complete and ready to write (CR LF line ends).

#include <string>

namespace skyloom::assetgen {

// "readme.txt": the user guide the help window shows (F1).
std::string readmeText();
// "license.txt": the licence the installer asks the user to accept.
std::string licenseText();
// "installparam.txt": what the installer installs and which shortcuts it makes.
std::string installParamText();

}  // namespace skyloom::assetgen
