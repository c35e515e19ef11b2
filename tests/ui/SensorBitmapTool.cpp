// Writes the sensor pictures the Qt module draws as the bitmaps the Windows
// module carries (tavrin/ui/win32/res). Run by hand after SensorPicture
// changes; ui.sensor_bitmaps checks that the two agree.
#include "SensorBitmaps.h"
#include "ui/qt/SensorPictures.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    for (int position = 1; position <= 4; ++position) {
        const auto bytes = tavrin::uitest::SensorBitmapBytes(tavrin::SensorPicture(position).toImage());
        const QString file = tavrin::uitest::SensorBitmapFile(QString::fromLocal8Bit(argv[1]), position);
        std::ofstream out(file.toStdString(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) return 1;
        std::printf("%s\n", qPrintable(file));
    }
    return 0;
}
