#pragma once
// The colour editor: a list panel titled "Change Color" with one row of red, green and blue
// sliders for each colour it was opened for, and a "Close" button. Moving a slider changes that
// channel of the owner's colour at once; the alpha stays.

#include <cstdint>
#include <vector>

#include "ui/widget_list.h"

namespace skyloom {

class ColourEditor : public CButtonList {
 public:
  // colours: the addresses of the owner's colours, which must outlive the editor (the manager
  // removes the editor with its owner).
  ColourEditor(std::vector<std::uint32_t*> colours, Widget* owner);

  Widget* owner() const { return owner_; }
  int colourCount() const { return static_cast<int>(colours_.size()); }
  // Sets channel (0 red, 1 green, 2 blue) of colour row to value 0 to 1.
  void setChannel(int row, int channel, float value);
  float channel(int row, int channel) const;

  bool onMouse(const WidgetMouse& mouse) override;

  static constexpr std::uint32_t kChannelColours[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};

 protected:
  void act(int action) override;
  bool hasRows() const override { return false; }
  void layoutContent(const GlyphFont& font, int& room) override;

 private:
  // The slider (row × 3 + channel) under a point, or -1; along: its value there.
  int sliderAt(float localX, float localY, float& along) const;
  float sliderLeft() const;
  float sliderWidth() const;
  float blockHeight() const;
  float sliderHeight() const;

  std::vector<std::uint32_t*> colours_;
  Widget* owner_;
  int dragging_ = -1;
};

}  // namespace skyloom
