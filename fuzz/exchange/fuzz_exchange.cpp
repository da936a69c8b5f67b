// Feeds arbitrary bytes to the exchange parser, then writes back what it read.

#include "AnsiText.h"
#include "Codevet.h"
#include "UEF.h"
#include "UEFBox.h"
#include "UEFMedia.h"
#include "UEFParser.h"

#include <QByteArray>
#include <QDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QByteArray g_home;

void RemoveHome()
{
    QDir(QString::fromLocal8Bit(g_home)).removeRecursively();
}

// Every item of items, at any depth.
int AllItems(const UEFCollection& items)
{
    int count = 0;
    for (const std::shared_ptr<QObject>& item : items) {
        ++count;
        if (const auto* box = qobject_cast<const UEFBox*>(item.get())) {
            count += AllItems(*box->colContents());
        } else if (const auto* media = qobject_cast<const UEFMedia*>(item.get())) {
            count += AllItems(*media->colContents());
        }
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // A configuration folder of this run's own with the checker registered, so valid product codes are accepted and
    // the contents of accepted items get parsed as well.
    const QByteArray base = QDir::tempPath().toLocal8Bit() + "/fuzz_exchange.XXXXXX";
    g_home = base;
    if (mkdtemp(g_home.data()) != nullptr) {
        std::atexit(RemoveHome);
        qputenv("XDG_CONFIG_HOME", g_home);
        if (VidsoraRegisterServer(nullptr) != 0) {
            std::fprintf(stderr, "fuzz_exchange: the product-code checker is not registered\n");
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = AnsiText::Decode(bytes);
    // The file import parses the bytes themselves: it must make exactly what the decoded text makes.
    UEF fromText;
    UEF fromBytes;
    UEFParser::LeftOut textLeftOut;
    UEFParser::LeftOut bytesLeftOut;
    fromText.AppendText(text, textLeftOut);
    fromBytes.AppendBytes(bytes, bytesLeftOut);
    if (fromBytes.strUEF() != fromText.strUEF() || bytesLeftOut.refused != textLeftOut.refused ||
        bytesLeftOut.tooDeep != textLeftOut.tooDeep) {
        std::fprintf(stderr, "fuzz_exchange: the bytes and their text parse differently\n");
        std::abort();
    }
    // The count an import weighs its cost by, before parsing: the same for both, and never below what a parse makes.
    const int counted = UEFParser::CountItems(bytes);
    if (counted != UEFParser::CountItems(text) || counted < AllItems(*fromBytes.colUEF())) {
        std::fprintf(stderr, "fuzz_exchange: the item count is wrong\n");
        std::abort();
    }
    UEF document;
    document.setStrUEF(text);
    // Inside a parent nothing is checked, so every item path is reached whether or not a code is valid.
    UEFCollection parent;
    UEFParser::ParseItems(text, *document.colUEF(), &parent);
    auto media = std::make_shared<UEFMedia>();
    media->setColContents(std::make_shared<UEFCollection>(parent));
    document.colUEF()->Add(media);
    (void)document.strUEF();
    return 0;
}
