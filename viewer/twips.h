// Control positions are given in twips, as the forms were laid out: 15 twips
// make one pixel at 96 dots per inch.
#pragma once

#include <QWidget>

namespace corvex::viewer {

constexpr int twips_to_pixels(int twips) { return (twips + 7) / 15; }

inline void place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(twips_to_pixels(left), twips_to_pixels(top), twips_to_pixels(width), twips_to_pixels(height));
}

}  // namespace corvex::viewer
