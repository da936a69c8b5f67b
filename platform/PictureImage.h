#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>

// Pictures read for showing: scaled to what is shown and within the allocation limit (Picture.h). Needs Qt Gui.
namespace Picture {

// The picture scaled down, keeping its proportions, to fit within box (never enlarged; an empty box keeps the size);
// a null image when the bytes are no picture Check would take, or it cannot be decoded.
QImage LoadScaled(QByteArrayView bytes, const QSize& box);
// The same for a regular file of at most kMaxFileBytes.
QImage LoadFileScaled(const QString& path, const QSize& box);

} // namespace Picture
