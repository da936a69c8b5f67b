// Build step: draws the desktop icons of both programs with the program's own artwork, one PNG per size.
//   vidsora_makeicons <folder> <size>...   writes <folder>/vidsora-<size>.png and <folder>/vidpeek-<size>.png

#include "widgets/MainImages.h"

#include "AnsiText.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    QTextStream err(stderr);
    if (args.size() < 2) {
        err << "usage: vidsora_makeicons <folder> <size>...\n";
        return 2;
    }
    const QDir folder(args.first());
    if (!QDir().mkpath(folder.path())) {
        err << "vidsora_makeicons: cannot make " << folder.path() << '\n';
        return 1;
    }
    for (const QString& text : args.mid(1)) {
        bool ok = false;
        const int size = text.toInt(&ok);
        if (!ok || size < 16 || size > 1024) {
            err << "vidsora_makeicons: not an icon size: " << text << '\n';
            return 2;
        }
        const std::pair<const char*, QImage> icons[] = {{"vidsora", MainImages::ProgramIcon(size)},
                                                        {"vidpeek", MainImages::ViewerIcon(size)}};
        for (const auto& [name, image] : icons) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            const QString path = folder.filePath(QStringLiteral("%1-%2.png").arg(QLatin1String(name)).arg(size));
            if (!image.save(&buffer, "PNG") || !AnsiText::WriteFileBytes(path, bytes)) {
                err << "vidsora_makeicons: cannot write " << path << '\n';
                return 1;
            }
        }
    }
    return 0;
}
