// The Windows module's sensor pictures are the ones the Qt module draws.
#include "SensorBitmaps.h"
#include "ui/qt/SensorPictures.h"

#include <QTest>

#include <algorithm>
#include <cstdlib>

class SensorBitmapTest : public QObject {
    Q_OBJECT

private slots:
    void theBitmapsAreTheDrawnPictures()
    {
        const QString dir = QStringLiteral(TAVRIN_SOURCE_DIR "/tavrin/ui/win32/res");
        for (int position = 1; position <= 4; ++position) {
            const auto drawn = tavrin::uitest::SensorBitmapBytes(tavrin::SensorPicture(position).toImage());
            const auto kept = tavrin::uitest::ReadBytes(tavrin::uitest::SensorBitmapFile(dir, position));
            QCOMPARE(kept.size(), drawn.size());
            // Antialiasing may differ by a step between toolkit builds.
            int off = 0;
            for (std::size_t i = 54; i < kept.size(); ++i) off = std::max(off, std::abs(int(kept[i]) - int(drawn[i])));
            QVERIFY2(off <= 2, qPrintable(QStringLiteral("position %1 differs by %2").arg(position).arg(off)));
            QVERIFY(std::equal(kept.begin(), kept.begin() + 54, drawn.begin()));
        }
    }

    void thePicturesDiffer()
    {
        for (int a = 1; a <= 4; ++a)
            for (int b = a + 1; b <= 4; ++b)
                QVERIFY(tavrin::SensorPicture(a).toImage() != tavrin::SensorPicture(b).toImage());
    }
};

QTEST_MAIN(SensorBitmapTest)
#include "SensorBitmapTest.moc"
