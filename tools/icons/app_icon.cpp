// Draws the application icon: a dark unit with a display showing a signal trace and two status
// lamps. Writes tresvik-<size>.png for each icon size into the folder given as the argument.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cstdio>

namespace {

QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Everything is drawn on a 64 x 64 grid and scaled.
    p.scale(size / 64.0, size / 64.0);

    QLinearGradient body(0, 4, 0, 60);
    body.setColorAt(0, QColor(70, 82, 96));
    body.setColorAt(1, QColor(28, 34, 42));
    p.setPen(QPen(QColor(16, 20, 26), 2));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(3, 7, 58, 50), 9, 9);

    QLinearGradient screen(0, 13, 0, 43);
    screen.setColorAt(0, QColor(18, 40, 30));
    screen.setColorAt(1, QColor(6, 18, 12));
    p.setPen(QPen(QColor(120, 140, 150), 1.5));
    p.setBrush(screen);
    p.drawRoundedRect(QRectF(10, 13, 44, 30), 3, 3);

    QPainterPath trace;
    trace.moveTo(13, 31);
    trace.lineTo(21, 31);
    trace.lineTo(25, 19);
    trace.lineTo(30, 38);
    trace.lineTo(35, 24);
    trace.lineTo(39, 31);
    trace.lineTo(51, 31);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(110, 230, 90), size < 32 ? 3.5 : 2.5, Qt::SolidLine, Qt::RoundCap,
                  Qt::RoundJoin));
    p.drawPath(trace);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 170, 40));
    p.drawEllipse(QPointF(17, 50), 3, 3);
    p.setBrush(QColor(90, 200, 255));
    p.drawEllipse(QPointF(27, 50), 3, 3);
    p.setBrush(QColor(150, 160, 170));
    p.drawRoundedRect(QRectF(36, 48, 18, 4), 2, 2);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: app_icon OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    constexpr std::array kSizes{16, 24, 32, 48, 256};
    for (const int size : kSizes) {
        const QString file = out.filePath(QStringLiteral("tresvik-%1.png").arg(size));
        if (!drawIcon(size).save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
