// Writes a starting corpus for fuzz_online: the real service's answers, laid out as the fuzz target's data provider
// reads them.

#include "SafeFile.h"

#include <QDir>

#include <cstdio>

namespace {

// The data provider takes the request from the last byte, the answer from the front up to a lone backslash ("\\"
// stands for one backslash), and what follows after it.
QByteArray Input(int request, const QByteArray& answer, const QByteArray& after = {})
{
    QByteArray out;
    for (char c : answer) {
        out += c;
        if (c == '\\') {
            out += '\\';
        }
    }
    out += "\\n";
    out += after;
    out += char(request);
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || !QDir().mkpath(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "usage: seed_online <outdir>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const QByteArray uef = "[MOVIE=\r\n[TITLE=A & B]\r\n[UPC=036000291452]\r\n]";
    const std::pair<const char*, QByteArray> inputs[] = {
        {"lookup", Input(0, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n127.0.0.1:9\r\n")},
        {"login", Input(1, "LOGINOK\x01")},
        {"badlogin", Input(1, "BADLOGIN\x01")},
        {"result", Input(2, "RESULT\x02"
                            "036000291452\x04"
                            "A Title\x04"
                            "DVD\x03"
                            "4006381333931\x04"
                            "B\x04\x01")},
        {"upcnotfound", Input(3, "UPCNOTFOUND\x01")},
        {"download", Input(4, "FILESIZE\x02" + QByteArray::number(uef.size()) + "\x01", uef)},
        {"upload", Input(5, "UPLOADPREPARED\x01", "UPLOADDONE\x01")},
    };
    bool ok = true;
    for (const auto& [name, bytes] : inputs) {
        ok = SafeFile::Write(dir + u'/' + QLatin1String(name), bytes) && ok;
    }
    return ok ? 0 : 1;
}
