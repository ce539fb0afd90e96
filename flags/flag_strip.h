#pragma once

#include <QImage>
#include <QString>

#include <vector>

namespace tresvik {

// One icon strip of the Flags window cut into the images of its flag positions. A strip is 108
// pixels high and a whole number of 108 x 108 frames wide; frame 0 is not used, then each flag
// position has three frames. A position gives four 35 x 35 images: its first frame, its second,
// its second with a green cross over it, and its third.
class FlagStrip {
public:
    static constexpr int kFrameSize = 108;
    static constexpr int kImageSize = 35;
    // The one message for every strip that cannot be used, as the unit's engineers know it.
    static inline const QString kBadSizeText = QStringLiteral("ERROR - zły rozmiar pliku 1020.png");

    explicit FlagStrip(const QImage& strip);

    // False for a strip of the wrong size, or one whose usable frames do not make whole flag
    // positions; such a strip adds no images.
    bool usable() const { return m_usable; }
    // The images in image-list order: four per flag position.
    const std::vector<QImage>& images() const { return m_images; }
    // Images that could not be made (memory ran out); each is missing from images().
    int failedImages() const { return m_failed; }

private:
    QImage frameImage(const QImage& strip, int frame) const;
    static QImage crossed(const QImage& image);

    bool m_usable = false;
    std::vector<QImage> m_images;
    int m_failed = 0;
};

}  // namespace tresvik
