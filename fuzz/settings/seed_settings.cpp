// Writes a starting corpus for fuzz_settings: settings files as the writer makes them and as a user types them, and
// one with a very deep key.

#include "SafeFile.h"

#include <QDir>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2 || !QDir().mkpath(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "usage: seed_settings <outdir>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    // A key some 1,000 names deep, in a file within the fuzzer's default input size: its reading and writing cost
    // must stay in proportion to the file.
    QByteArray deep = "[Software\\Halvorix\\Vidsora\\Sub";
    while (deep.size() < 2040) {
        deep += "\\a";
    }
    deep += "]\nx=1:y%00\n";
    const std::pair<const char*, QByteArray> files[] = {
        {"written", "; Vidsora registry file 1\n\n[Software\\Halvorix\\Vidsora]\nDBPath=1:%2Fhome%2Fme%2FDB%00\n"
                    "CheckAnnouncements=4:%01%00%00%00\n@=1:x%00\n\n[Software\\Halvorix\\Vidsora\\Sub%20Key]\n"
                    "User=1:me%00\n"},
        {"typed", "\xEF\xBB\xBF# my settings\r\nDBPath = \"/home/me/My Movies\"\r\nUser=me\r\n"},
        {"sections", "[Software\\Halvorix\\Vidsora]\n; a comment\nPassword=2:secret\n[Software\\Halvorix\\Vidsora\\A]\n"
                     "\t[Software\\Halvorix\\Vidsora\\A\\B]\t\nx=3:%ff%00\n"},
        {"damaged", "[Software\\Other]\nDBPath=%zz\n"},
        {"deep", deep},
    };
    bool ok = true;
    for (const auto& [name, bytes] : files) {
        ok = SafeFile::Write(dir + u'/' + QLatin1String(name), bytes) && ok;
    }
    return ok ? 0 : 1;
}
