// "license.txt": the end-user licence the installer shows before it installs anything.
#include "texts_content.h"
#include "texts_document.h"

namespace skyloom::assetgen {

std::string licenseText() {
  TextDocument d;
  d.title("Skyloom 0.9 - Licence for users");
  d.paragraph(
      "Please read this licence before you install Skyloom. By checking \"I agree\" and "
      "installing Skyloom you accept it. If you do not accept it, press \"Cancel\": nothing "
      "will be installed.");

  d.paragraph("1. What you may do");
  d.paragraph(
      "Skyloom is free. You may install and use it on as many computers as you like, at home, "
      "at work or at school, and you do not have to pay for it. You may give the unchanged "
      "installer to others, as long as you do not charge for it and this licence stays with it.");

  d.paragraph("2. What you may not do");
  d.paragraph(
      "You may not sell Skyloom, rent it out, or bundle it with anything that is sold. You may "
      "not pass on a changed copy of the program or of its installer, and you may not remove or "
      "change the copyright notices in it.");

  d.paragraph("3. Your own files");
  d.paragraph(
      "You may add your own terrain files, aircraft files and music to Skyloom. They remain "
      "yours, and you are responsible for having the right to use them. Skyloom only reads "
      "them; it does not send anything anywhere.");

  d.paragraph("4. Who owns Skyloom");
  d.paragraph(
      "Skyloom, its pictures, sounds, terrain and texts are owned by Velkaran and are "
      "protected by copyright. This licence lets you use them; it does not transfer them to "
      "you.");

  d.paragraph("5. No warranty");
  d.paragraph(
      "Skyloom is given to you as it is, without any warranty. We have taken care to make it "
      "work well, but we do not promise that it is free of faults, that it suits any particular "
      "purpose, or that it runs on your computer.");

  d.paragraph("6. Limit of liability");
  d.paragraph(
      "As far as the law allows, Velkaran is not liable for any damage or loss that comes from "
      "using Skyloom or from being unable to use it, including lost data, lost time or damage "
      "to other programs. Where the law does not allow liability to be excluded entirely, it is "
      "limited to the amount you paid for Skyloom.");

  d.paragraph("7. Ending this licence");
  d.paragraph(
      "The licence ends by itself if you break it. You can end it at any time by removing "
      "Skyloom with its uninstaller. When it ends you must remove every copy of Skyloom in your "
      "hands.");

  d.paragraph("Copyright (c) Velkaran. All rights reserved.");
  return d.text();
}

}  // namespace skyloom::assetgen
