#pragma once
#include <QPixmap>

namespace tavrin {

// The picture beside Magicard sensor button 1 (top), 2 (upper middle),
// 3 (lower middle) or 4 (bottom): a card standing in the printer's feed with
// the sensor's beam at that height.
QPixmap SensorPicture(int position);

} // namespace tavrin
