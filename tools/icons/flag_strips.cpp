// Draws the five icon strips of the Flags window, one per status message of the unit. A strip is
// 108 pixels high and made of 108 x 108 frames: frame 0 is a background tile the console never
// shows; then, for every flag position of the message, three pictures of one symbol: the third
// state (olive-yellow with a corner mark), off (a grey-blue outline) and on (filled in the flag's
// highlight colour). The symbols repeat across positions but the three states of one position
// always differ in colour and in form, so that they can be told apart at 35 x 35 pixels and by
// readers who do not see colours well. Writes strip-132.png to strip-136.png into the folder
// given as the argument.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cstdio>
#include <functional>

namespace {

constexpr int kFrame = 108;

struct Strip {
    int resource;
    int positions;
};
constexpr std::array<Strip, 5> kStrips{{{132, 48}, {133, 28}, {134, 36}, {135, 32}, {136, 20}}};

// Position 1 of the first strip is no flag: the console shows it in every empty cell.
constexpr int kPlaceholderStrip = 132;
constexpr int kPlaceholderPosition = 1;

const QColor kOff(124, 140, 164);
const QColor kThird(176, 164, 52);
const QColor kOutline(20, 26, 34);
const std::array<QColor, 4> kHighlights{QColor(64, 210, 96), QColor(240, 168, 40),
                                        QColor(72, 156, 240), QColor(170, 214, 60)};

enum class State { Third, Off, On };

// The symbols, drawn in a 108 x 108 frame within the box from 18 to 90.
QPainterPath lamp() {
    QPainterPath p;
    p.addEllipse(QPointF(54, 48), 22, 22);
    p.addRect(44, 72, 20, 12);
    return p;
}
QPainterPath battery() {
    QPainterPath p;
    p.addRoundedRect(QRectF(20, 36, 62, 38), 5, 5);
    p.addRect(82, 47, 8, 16);
    return p;
}
QPainterPath drop() {
    QPainterPath p;
    p.moveTo(54, 18);
    p.cubicTo(54, 18, 82, 52, 82, 66);
    p.cubicTo(82, 82, 68, 90, 54, 90);
    p.cubicTo(40, 90, 26, 82, 26, 66);
    p.cubicTo(26, 52, 54, 18, 54, 18);
    return p;
}
QPainterPath thermometer() {
    QPainterPath p;
    p.addRoundedRect(QRectF(46, 18, 16, 54), 8, 8);
    p.addEllipse(QPointF(54, 76), 14, 14);
    return p;
}
QPainterPath key() {
    QPainterPath p;
    p.addEllipse(QPointF(36, 54), 16, 16);
    p.addRect(52, 48, 38, 12);
    p.addRect(76, 60, 8, 12);
    return p;
}
QPainterPath padlock() {
    QPainterPath p;
    p.addRoundedRect(QRectF(28, 50, 52, 38), 5, 5);
    QPainterPath shackle;
    shackle.addRoundedRect(QRectF(38, 20, 32, 44), 16, 16);
    QPainterPath inner;
    inner.addRoundedRect(QRectF(46, 28, 16, 36), 8, 8);
    return p.united(shackle.subtracted(inner));
}
QPainterPath door() {
    QPainterPath p;
    p.addRect(32, 18, 44, 72);
    QPainterPath handle;
    handle.addEllipse(QPointF(66, 56), 5, 5);
    return p.subtracted(handle);
}
QPainterPath gear() {
    QPainterPath p;
    p.addEllipse(QPointF(54, 54), 26, 26);
    for (int i = 0; i < 8; ++i) {
        QPainterPath tooth;
        tooth.addRect(-6, -36, 12, 14);
        p = p.united(QTransform().translate(54, 54).rotate(45.0 * i).map(tooth));
    }
    QPainterPath hole;
    hole.addEllipse(QPointF(54, 54), 10, 10);
    return p.subtracted(hole);
}
QPainterPath warning() {
    QPainterPath p;
    p.moveTo(54, 18);
    p.lineTo(90, 84);
    p.lineTo(18, 84);
    p.closeSubpath();
    QPainterPath mark;
    mark.addRect(50, 40, 8, 24);
    mark.addRect(50, 70, 8, 8);
    return p.subtracted(mark);
}
QPainterPath bell() {
    QPainterPath p;
    p.moveTo(30, 74);
    p.cubicTo(34, 62, 32, 28, 54, 24);
    p.cubicTo(76, 28, 74, 62, 78, 74);
    p.closeSubpath();
    p.addEllipse(QPointF(54, 82), 7, 7);
    return p;
}
QPainterPath lightning() {
    QPainterPath p;
    p.moveTo(60, 18);
    p.lineTo(30, 60);
    p.lineTo(52, 60);
    p.lineTo(44, 90);
    p.lineTo(78, 46);
    p.lineTo(56, 46);
    p.closeSubpath();
    return p;
}
QPainterPath wheel() {
    QPainterPath p;
    p.addEllipse(QPointF(54, 54), 34, 34);
    QPainterPath rim;
    rim.addEllipse(QPointF(54, 54), 22, 22);
    QPainterPath hub;
    hub.addEllipse(QPointF(54, 54), 9, 9);
    return p.subtracted(rim).united(hub);
}
QPainterPath headlight() {
    QPainterPath p;
    p.moveTo(50, 26);
    p.cubicTo(24, 26, 24, 82, 50, 82);
    p.closeSubpath();
    for (int i = 0; i < 4; ++i) {
        p.addRect(58, 30 + 14 * i, 30, 7);
    }
    return p;
}
QPainterPath card() {
    QPainterPath p;
    p.addRoundedRect(QRectF(18, 30, 72, 48), 6, 6);
    QPainterPath chip;
    chip.addRoundedRect(QRectF(28, 42, 18, 14), 3, 3);
    return p.subtracted(chip);
}
QPainterPath clock() {
    QPainterPath p;
    p.addEllipse(QPointF(54, 54), 34, 34);
    QPainterPath hands;
    hands.addRect(50, 28, 8, 30);
    hands.addRect(50, 50, 24, 8);
    return p.subtracted(hands);
}
QPainterPath antenna() {
    QPainterPath p;
    p.addRect(50, 46, 8, 44);
    for (int r = 14; r <= 34; r += 10) {
        QPainterPath arc;
        arc.arcMoveTo(QRectF(54 - r, 44 - r, 2 * r, 2 * r), 30);
        arc.arcTo(QRectF(54 - r, 44 - r, 2 * r, 2 * r), 30, 120);
        QPainterPathStroker stroker;
        stroker.setWidth(6);
        p = p.united(stroker.createStroke(arc));
    }
    return p;
}
QPainterPath person() {
    QPainterPath p;
    p.addEllipse(QPointF(54, 32), 13, 13);
    p.moveTo(30, 88);
    p.cubicTo(30, 56, 78, 56, 78, 88);
    p.closeSubpath();
    return p;
}

QPainterPath placeholder() {
    QPainterPath p;
    p.addEllipse(QPointF(54, 54), 9, 9);
    return p;
}

using Symbol = std::function<QPainterPath()>;
const std::array<Symbol, 17> kSymbols{lamp,      battery, drop,    thermometer, key,       padlock,
                                      door,      gear,    warning, bell,        lightning, wheel,
                                      headlight, card,    clock,   antenna,     person};

void drawBackground(QPainter& p, QRect frame) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(36, 44, 54, 242));
    p.drawRoundedRect(QRectF(frame).adjusted(2, 2, -2, -2), 14, 14);
}

void drawSymbol(QPainter& p, QRect frame, const QPainterPath& symbol, State state,
                const QColor& highlight) {
    p.save();
    p.translate(frame.topLeft());
    switch (state) {
        case State::Off:
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(kOff, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(symbol);
            break;
        case State::On:
            p.setBrush(highlight);
            p.setPen(QPen(kOutline, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(symbol);
            break;
        case State::Third: {
            p.setBrush(kThird);
            p.setPen(QPen(kOutline, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(symbol);
            // A corner mark, so that this state reads apart from "on" without its colour.
            QPainterPath mark;
            mark.moveTo(76, 6);
            mark.lineTo(102, 6);
            mark.lineTo(102, 32);
            mark.closeSubpath();
            p.setPen(QPen(kOutline, 3));
            p.setBrush(kThird);
            p.drawPath(mark);
            break;
        }
    }
    p.restore();
}

QImage drawStrip(const Strip& strip) {
    QImage image(kFrame * (1 + 3 * strip.positions), kFrame, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawBackground(p, QRect(0, 0, kFrame, kFrame));
    for (int position = 0; position < strip.positions; ++position) {
        const bool none = strip.resource == kPlaceholderStrip && position == kPlaceholderPosition;
        // Neighbouring positions get different symbols; the strip's number shifts the sequence
        // so that the groups do not all start alike.
        const QPainterPath symbol =
            none
                ? placeholder()
                : kSymbols[static_cast<std::size_t>(position + strip.resource) % kSymbols.size()]();
        const QColor highlight = kHighlights[static_cast<std::size_t>(position % 7 == 3    ? 1
                                                                      : position % 11 == 5 ? 2
                                                                      : position % 13 == 9 ? 3
                                                                                           : 0)];
        constexpr std::array<State, 3> kOrder{State::Third, State::Off, State::On};
        for (int k = 0; k < 3; ++k) {
            const QRect frame(kFrame * (1 + 3 * position + k), 0, kFrame, kFrame);
            if (none) {
                p.setPen(Qt::NoPen);
                p.setBrush(kOff);
                p.drawPath(symbol.translated(frame.topLeft()));
            } else {
                drawSymbol(p, frame, symbol, kOrder[static_cast<std::size_t>(k)], highlight);
            }
        }
    }
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: flag_strips OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (const Strip& strip : kStrips) {
        const QString file = out.filePath(QStringLiteral("strip-%1.png").arg(strip.resource));
        if (!drawStrip(strip).save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
