#include "flags/flag_strip.h"

#include <QPainter>

namespace tresvik {

namespace {
// Each flag position has its three frames; the middle one is also shown crossed.
constexpr int kFramesPerPosition = 3;
constexpr int kCrossedFrame = 1;
constexpr int kCrossPen = 4;
const QColor kCrossColour(0, 255, 0);
}  // namespace

FlagStrip::FlagStrip(const QImage& strip) {
    const int frames = strip.width() / kFrameSize - 1;
    m_usable = strip.height() == kFrameSize && strip.width() % kFrameSize == 0 && frames >= 0 &&
               frames % kFramesPerPosition == 0;
    if (!m_usable) {
        return;
    }
    for (int frame = 1; frame <= frames; ++frame) {
        QImage image = frameImage(strip, frame);
        if (image.isNull()) {
            ++m_failed;
            continue;
        }
        const bool middle = (frame - 1) % kFramesPerPosition == kCrossedFrame;
        m_images.push_back(image);
        if (middle) {
            QImage cross = crossed(image);
            if (cross.isNull()) {
                ++m_failed;
            } else {
                m_images.push_back(cross);
            }
        }
    }
}

QImage FlagStrip::frameImage(const QImage& strip, int frame) const {
    QImage image(kImageSize, kImageSize, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return image;
    }
    image.fill(Qt::transparent);
    // One frame at a time: converting the whole strip at once would hand the work to Qt's
    // thread pool for no gain at this size.
    const QImage source = strip.copy(frame * kFrameSize, 0, kFrameSize, kFrameSize)
                              .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(0, 0, kImageSize, kImageSize), source);
    return image;
}

QImage FlagStrip::crossed(const QImage& image) {
    QImage cross = image.copy();
    if (cross.isNull()) {
        return cross;
    }
    QPainter painter(&cross);
    painter.setPen(QPen(kCrossColour, kCrossPen));
    painter.drawLine(4, 4, 31, 31);
    painter.drawLine(31, 4, 4, 31);
    return cross;
}

}  // namespace tresvik
