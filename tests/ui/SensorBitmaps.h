#pragma once
// The sensor pictures as the Windows module carries them: 32-bit bitmaps
// (BMP files, bottom-up rows, blue-green-red-alpha with the colours
// premultiplied by alpha, as AlphaBlend takes them), drawn by the Qt
// module's own SensorPicture.
#include <QImage>
#include <QString>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace tavrin::uitest {

inline QString SensorBitmapFile(const QString& dir, int position)
{
    return dir + QStringLiteral("/sensor%1.bmp").arg(position);
}

inline std::vector<std::uint8_t> SensorBitmapBytes(const QImage& picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const auto w = static_cast<std::uint32_t>(image.width()), h = static_cast<std::uint32_t>(image.height());
    const std::uint32_t pixels = w * h * 4, offset = 14 + 40;
    std::vector<std::uint8_t> b;
    auto put = [&](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    b.push_back('B');
    b.push_back('M');
    put(offset + pixels, 4);
    put(0, 4);
    put(offset, 4);
    put(40, 4);  // BITMAPINFOHEADER
    put(w, 4);
    put(h, 4);   // positive: bottom-up
    put(1, 2);
    put(32, 2);
    put(0, 4);   // BI_RGB
    put(pixels, 4);
    put(3780, 4);  // 96 dpi
    put(3780, 4);
    put(0, 4);
    put(0, 4);
    for (int y = image.height() - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            b.push_back(static_cast<std::uint8_t>(qBlue(row[x])));
            b.push_back(static_cast<std::uint8_t>(qGreen(row[x])));
            b.push_back(static_cast<std::uint8_t>(qRed(row[x])));
            b.push_back(static_cast<std::uint8_t>(qAlpha(row[x])));
        }
    }
    return b;
}

inline std::vector<std::uint8_t> ReadBytes(const QString& file)
{
    std::ifstream in(file.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace tavrin::uitest
