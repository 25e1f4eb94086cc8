// Draws the program's pictures: the ZOLT logo and the counter picture as
// JPEG photographs with their background, and the four button pictures as
// PNG with transparency, each also at twice its size (name@2x.png, which Qt
// picks on a screen scaled by 1.5 or 2). Run by hand when a picture changes;
// the files it writes are kept in assets/pictures/ and built into the program.
//   tavro-draw-pictures [-o FOLDER]
#include <QCommandLineParser>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTextStream>

#include <functional>
#include <initializer_list>

namespace {

// The operator's colours, used throughout so the pictures read as one set.
const QColor kNavy(16, 42, 110);
const QColor kYellow(255, 196, 24);

QFont boldArial(qreal pixelSize)
{
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPixelSize(qRound(pixelSize));
    return f;
}

// Every picture is drawn on a 4x canvas and scaled down: thin strokes at
// 36 pixels come out crisper than when drawn at their final size. `scale`
// makes the larger copies for scaled screens from the same drawing.
QImage render(int width, int height, int scale, const QColor &background, const std::function<void(QPainter &)> &draw)
{
    constexpr int kOversample = 4;
    const int factor = kOversample * scale;
    QImage big(width * factor, height * factor, QImage::Format_ARGB32_Premultiplied);
    big.fill(background);
    {
        QPainter p(&big);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(factor, factor);
        draw(p);
    }
    return big.scaled(width * scale, height * scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// A closed outline through the given corners.
QPainterPath outline(std::initializer_list<QPointF> corners)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(corners));
    path.closeSubpath();
    return path;
}

// A letter seen from the front with its flap folded down, centred on
// centre and turned by angle degrees.
void drawEnvelope(QPainter &p, QPointF centre, QSizeF size, qreal angle, qreal pen)
{
    p.save();
    p.translate(centre);
    p.rotate(angle);
    const QRectF r(QPointF(-size.width() / 2, -size.height() / 2), size);
    p.setPen(QPen(kNavy, pen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawRoundedRect(r, pen, pen);
    QPainterPath flap;
    flap.moveTo(r.topLeft());
    flap.lineTo(r.center().x(), r.top() + r.height() * 0.58);
    flap.lineTo(r.topRight());
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
    p.restore();
}

void drawLogo(QPainter &p)
{
    // Yellow badge with a navy rim; a flying letter above the name.
    const QRectF badge(2, 2, 76, 85);
    p.setPen(QPen(kNavy, 3));
    p.setBrush(kYellow);
    p.drawRoundedRect(badge, 12, 12);

    // Speed strokes behind the letter.
    p.setPen(QPen(kNavy, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9, 22), QPointF(22, 22));
    p.drawLine(QPointF(6, 30), QPointF(20, 30));
    p.drawLine(QPointF(9, 38), QPointF(22, 38));

    drawEnvelope(p, QPointF(46, 30), QSizeF(42, 28), -8, 2.6);

    // A small wing on the letter's back edge.
    QPainterPath wing;
    wing.moveTo(62, 18);
    wing.cubicTo(70, 8, 76, 10, 75, 13);
    wing.cubicTo(72, 14, 70, 17, 66, 22);
    wing.closeSubpath();
    p.setPen(QPen(kNavy, 1.6));
    p.setBrush(Qt::white);
    p.drawPath(wing);

    p.setPen(QPen(kNavy, 2));
    p.drawLine(QPointF(12, 56), QPointF(68, 56));

    p.setFont(boldArial(24));
    p.setPen(kNavy);
    p.drawText(QRectF(2, 56, 76, 28), Qt::AlignCenter, QStringLiteral("ZOLT"));
}

void drawCounter(QPainter &p)
{
    // Sky, a low hill, and the office with its sign, door and letter box.
    QLinearGradient sky(0, 0, 0, 80);
    sky.setColorAt(0, QColor(110, 170, 230));
    sky.setColorAt(1, QColor(200, 228, 250));
    p.fillRect(QRectF(0, 0, 160, 90), sky);

    QRadialGradient sun(QPointF(136, 20), 14);
    sun.setColorAt(0, QColor(255, 245, 170));
    sun.setColorAt(1, QColor(255, 210, 60));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(QPointF(136, 20), 11, 11);

    p.setBrush(QColor(120, 176, 90));
    p.drawRect(QRectF(0, 88, 160, 32));
    p.setBrush(QColor(180, 180, 176));
    p.drawPath(outline({{62, 120}, {74, 92}, {86, 92}, {98, 120}})); // the footpath to the door

    // Building.
    p.setPen(QPen(QColor(90, 70, 60), 1));
    p.setBrush(QColor(236, 224, 200));
    p.drawRect(QRectF(30, 40, 100, 52));
    p.setBrush(QColor(170, 60, 46));
    const QPainterPath roof = outline({{24, 42}, {80, 18}, {136, 42}});
    p.drawPath(roof);

    // Sign over the door.
    p.setPen(QPen(kNavy, 1));
    p.setBrush(kYellow);
    p.drawRect(QRectF(58, 44, 44, 13));
    p.setFont(boldArial(11));
    p.setPen(kNavy);
    p.drawText(QRectF(58, 44, 44, 13), Qt::AlignCenter, QStringLiteral("ZOLT"));

    // Door and windows.
    p.setPen(QPen(QColor(70, 50, 40), 1));
    p.setBrush(QColor(110, 74, 50));
    p.drawRect(QRectF(72, 62, 16, 30));
    p.setBrush(QColor(255, 220, 120));
    p.drawEllipse(QPointF(85, 78), 1.2, 1.2);
    p.setBrush(QColor(160, 205, 240));
    for (qreal x : {38.0, 104.0}) {
        p.drawRect(QRectF(x, 60, 18, 16));
        p.drawLine(QPointF(x + 9, 60), QPointF(x + 9, 76));
        p.drawLine(QPointF(x, 68), QPointF(x + 18, 68));
    }

    // Letter box on its post, in front of the office.
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(90, 90, 90));
    p.drawRect(QRectF(140, 92, 3, 18));
    p.setPen(QPen(kNavy, 1));
    p.setBrush(kYellow);
    p.drawRoundedRect(QRectF(133, 72, 17, 22), 4, 4);
    p.setPen(QPen(kNavy, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(137, 78), QPointF(146, 78));

    // Letters flying to the box.
    drawEnvelope(p, QPointF(20, 24), QSizeF(16, 10), -12, 1);
    drawEnvelope(p, QPointF(14, 106), QSizeF(18, 12), 8, 1);
}

void drawClose(QPainter &p)
{
    // An open door with an arrow leaving through it.
    p.setPen(QPen(QColor(70, 50, 40), 1.2));
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(6, 4, 16, 28));
    const QPainterPath door = outline({{6, 4}, {16, 7}, {16, 34}, {6, 32}});
    p.setBrush(QColor(150, 96, 58));
    p.drawPath(door);
    p.setBrush(QColor(240, 200, 80));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(14, 20), 1.2, 1.2);

    const QPainterPath arrow = outline({{18, 16}, {26, 16}, {26, 11}, {34, 19}, {26, 27}, {26, 22}, {18, 22}});
    p.setPen(QPen(QColor(20, 100, 30), 1));
    p.setBrush(QColor(60, 170, 60));
    p.drawPath(arrow);
}

void drawUnlock(QPainter &p)
{
    // A padlock whose shackle has sprung open to the right.
    p.setPen(QPen(QColor(110, 110, 118), 3.2, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    shackle.moveTo(12, 18);
    shackle.lineTo(12, 12);
    shackle.arcTo(QRectF(12, 3, 14, 16), 180, -180);
    shackle.lineTo(26, 12);
    p.save();
    p.translate(6, -2);
    p.drawPath(shackle);
    p.restore();

    QLinearGradient body(0, 17, 0, 33);
    body.setColorAt(0, QColor(255, 214, 80));
    body.setColorAt(1, QColor(206, 150, 20));
    p.setPen(QPen(QColor(130, 90, 10), 1));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(6, 17, 20, 16), 2.5, 2.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 56, 10));
    p.drawEllipse(QPointF(16, 23.5), 2.2, 2.2);
    p.drawRect(QRectF(15.1, 24, 1.8, 5));
}

void drawNew(QPainter &p)
{
    // A blank page with its corner turned, and a green plus.
    const QPainterPath page = outline({{7, 3}, {21, 3}, {28, 10}, {28, 33}, {7, 33}});
    p.setPen(QPen(QColor(110, 110, 120), 1.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::white);
    p.drawPath(page);
    QPainterPath corner;
    corner.moveTo(21, 3);
    corner.lineTo(21, 10);
    corner.lineTo(28, 10);
    p.setBrush(QColor(220, 220, 226));
    p.drawPath(corner);
    p.setPen(QPen(QColor(200, 200, 208), 1));
    for (qreal y : {15.0, 19.0, 23.0})
        p.drawLine(QPointF(10, y), QPointF(18, y));

    p.setPen(QPen(QColor(20, 110, 30), 1));
    p.setBrush(QColor(60, 170, 60));
    p.drawEllipse(QPointF(25, 26), 8, 8);
    p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(25, 21), QPointF(25, 31));
    p.drawLine(QPointF(20, 26), QPointF(30, 26));
}

void drawDelete(QPainter &p)
{
    // A bold red cross with a dark edge.
    p.setPen(QPen(QColor(120, 10, 10), 8.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9, 9), QPointF(27, 27));
    p.drawLine(QPointF(27, 9), QPointF(9, 27));
    p.setPen(QPen(QColor(220, 40, 36), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9, 9), QPointF(27, 27));
    p.drawLine(QPointF(27, 9), QPointF(9, 27));
}

struct Picture {
    const char *name;
    int width;
    int height;
    QColor background; // transparent: a button picture, PNG at 1x and 2x
    void (*draw)(QPainter &);
};

} // namespace

int main(int argc, char *argv[])
{
    // Fonts need a GUI application, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Draws the program's pictures (JPEG photographs, PNG buttons)."));
    parser.addHelpOption();
    parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                      QStringLiteral("Folder to write into."),
                      QStringLiteral("folder"),
                      QStringLiteral("assets/pictures")});
    parser.process(app);

    const Picture pictures[] = {
        {"logo", 80, 89, Qt::black, drawLogo},         {"picture2", 160, 120, Qt::white, drawCounter},
        {"close", 36, 36, Qt::transparent, drawClose}, {"unlock", 36, 36, Qt::transparent, drawUnlock},
        {"new", 36, 36, Qt::transparent, drawNew},     {"delete", 36, 36, Qt::transparent, drawDelete},
    };

    const QDir folder(parser.value(QStringLiteral("output")));
    if (!folder.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "tavro-draw-pictures: cannot create " << folder.path() << '\n';
        return 1;
    }
    QTextStream out(stdout);
    for (const Picture &pic : pictures) {
        const bool button = pic.background.alpha() == 0;
        for (int scale : {1, 2}) {
            if (scale > 1 && !button)
                continue;
            const QString file = QLatin1String(pic.name) + (scale > 1 ? QStringLiteral("@%1x").arg(scale) : QString())
                                 + (button ? QStringLiteral(".png") : QStringLiteral(".jpg"));
            const QString path = folder.filePath(file);
            QImage image = render(pic.width, pic.height, scale, pic.background, pic.draw);
            if (!button)
                image = image.convertToFormat(QImage::Format_RGB32);
            if (!image.save(path, button ? "PNG" : "JPEG", button ? -1 : 95)) {
                QTextStream(stderr) << "tavro-draw-pictures: cannot write " << path << '\n';
                return 1;
            }
            out << "Wrote " << path << " (" << image.width() << "x" << image.height() << ")\n";
        }
    }
    return 0;
}
