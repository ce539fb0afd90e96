#pragma once

#include <QApplication>
#include <QFont>
#include <QRect>

namespace tresvik {

// The windows are laid out in dialog units, as their templates give them; a dialog unit is a
// quarter of the 6-pixel base width and an eighth of the 13-pixel base height.
constexpr int dluX(int x) {
    return x * 6 / 4;
}
constexpr int dluY(int y) {
    return y * 13 / 8;
}
inline QRect dluRect(int x, int y, int width, int height) {
    return {dluX(x), dluY(y), dluX(width), dluY(height)};
}

// The templates' 8-point font at 96 dots per inch: 11 pixels, whatever the screen's resolution,
// so the texts fit the controls laid out in pixels above. The templates were drawn for a narrow
// sans-serif face; the common wide desktop faces would fill the small buttons to their edges, so
// a face of the same widths is taken where one is installed, the desktop's own face otherwise.
inline QFont templateFont() {
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arimo"), QStringLiteral("Arial"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica"), font.family()});
    font.setPixelSize(11);
    return font;
}

}  // namespace tresvik
