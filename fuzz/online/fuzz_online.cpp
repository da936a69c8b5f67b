// Plays a service that answers one request of the online client with arbitrary bytes. The first byte picks the
// request; the rest is the answer, and for a download or upload also what the service sends after the client's next
// step. The service closes the connection after its last answer, so no input waits for the client's time bounds.

#include "COM.h"
#include "FakeService.h"

#include <QCoreApplication>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

FakeService* g_service = nullptr;

enum Request : std::uint8_t
{
    Lookup,
    LogIn,
    FindTitle,
    FindUPC,
    Download,
    Upload,
    RequestCount
};

bool LoggedIn(COM& com)
{
    return com.LogIn(QStringLiteral("user"), QStringLiteral("secret"));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    new QCoreApplication(*argc, *argv);
    // A client that waits for what never comes gives up quickly; every input should end before that anyway.
    COM::SetTimeLimits(250, 1024 * 1024);
    g_service = new FakeService;
    if (!g_service->Start()) {
        std::fprintf(stderr, "fuzz_online: the loopback service does not listen\n");
        std::abort();
    }
    g_service->users.insert("user", "secret");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const auto request = Request(input.ConsumeIntegralInRange<int>(0, RequestCount - 1));
    const std::string first = input.ConsumeRandomLengthString(1 << 16);
    const std::string rest = input.ConsumeRemainingBytesAsString();
    const QByteArray answer = QByteArray::fromStdString(first);
    const QByteArray after = QByteArray::fromStdString(rest);

    FakeService& service = *g_service;
    service.lookupRaw.clear();
    service.lookupRequests.clear();
    service.replies.clear();
    service.closeAfter.clear();
    service.requests.clear();
    service.uploads.clear();

    {
        COM com;
        switch (request) {
        case Lookup:
            service.lookupRaw = answer.isEmpty() ? QByteArray(" ") : answer;
            com.Connect();
            break;
        case LogIn:
            service.replies.insert("LOGIN", answer);
            service.closeAfter << "LOGIN";
            LoggedIn(com);
            break;
        case FindTitle:
        case FindUPC: {
            const QByteArray word = request == FindTitle ? "FINDTITLE" : "FINDUPC";
            service.replies.insert(word, answer);
            service.closeAfter << word;
            if (LoggedIn(com)) {
                const QVariant result = request == FindTitle ? com.FindTitle(QStringLiteral("a"))
                                                             : com.FindUPC(QStringLiteral("036000291452"));
                for (const QStringList& row : result.value<COM::ResultTable>()) {
                    (void)row.join(QString());
                }
                // A reply that broke off is no result; what of it was whole is kept apart, with row 0 at least.
                const COM::ReplyEnd end = com.LastReplyEnd();
                const bool broken = end == COM::ReplyEnd::CutOff || end == COM::ReplyEnd::TooLarge;
                if ((end == COM::ReplyEnd::Whole) != (result.metaType() == QMetaType::fromType<COM::ResultTable>()) ||
                    broken != !com.PartialResult().isEmpty()) {
                    std::fprintf(stderr, "fuzz_online: the search's end and its results disagree\n");
                    std::abort();
                }
                for (const QStringList& row : com.PartialResult()) {
                    (void)row.join(QString());
                }
            }
            break;
        }
        case Download:
            service.replies.insert("PREPAREUEF", answer);
            service.replies.insert("EXECDOWNLOAD", after);
            service.closeAfter << "EXECDOWNLOAD";
            if (!answer.contains("FILESIZE")) {
                service.closeAfter << "PREPAREUEF"; // no download follows
            }
            if (LoggedIn(com)) {
                (void)com.GetUEF(QStringLiteral("036000291452"));
            }
            break;
        case Upload:
            service.replies.insert("PREPAREUPLOAD", answer);
            service.replies.insert("UPLOAD", after);
            service.closeAfter << "UPLOAD";
            if (!answer.contains("UPLOADPREPARED")) {
                service.closeAfter << "PREPAREUPLOAD"; // no upload follows
            }
            if (LoggedIn(com)) {
                com.DoUpload(QStringLiteral("[MOVIE=\r\n[TITLE=A]\r\n]"));
            }
            break;
        case RequestCount:
            break;
        }
    }
    service.DropConnections();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    return 0;
}
