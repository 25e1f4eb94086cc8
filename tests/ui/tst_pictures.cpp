// The pictures the windows show are built into every executable that links
// the windows, at the paths the windows name, as real JPEG images.
#include <QImage>
#include <QImageReader>
#include <QTest>

class TestPictures : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void builtIn_data();
    void builtIn();
};

void TestPictures::builtIn_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("logo") << QStringLiteral(":/pictures/logo.jpg") << QSize(80, 89);
    QTest::newRow("picture2") << QStringLiteral(":/pictures/picture2.jpg") << QSize(160, 120);
    QTest::newRow("close") << QStringLiteral(":/pictures/close.jpg") << QSize(36, 36);
    QTest::newRow("unlock") << QStringLiteral(":/pictures/unlock.jpg") << QSize(36, 36);
    QTest::newRow("new") << QStringLiteral(":/pictures/new.jpg") << QSize(36, 36);
    QTest::newRow("delete") << QStringLiteral(":/pictures/delete.jpg") << QSize(36, 36);
}

void TestPictures::builtIn()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
    // A drawing, not a blank: more than a handful of distinct colours.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    QVERIFY2(colours.size() > 20, qPrintable(QString::number(colours.size())));
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
