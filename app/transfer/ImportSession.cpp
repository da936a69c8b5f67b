#include "transfer/ImportSession.h"

#include "transfer/UEFFile.h"

#include "core/mFunctions.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"
#include "core/mUEF.h"

#include "AnsiText.h"
#include "CCategories.h"
#include "CGroups.h"
#include "COM.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>

ImportSession::ImportSession(QObject* parent) : OnlineSession(parent) {}

QList<ImportSession::Place> ImportSession::Places()
{
    QStringList keys{QStringLiteral("!0")};
    if (gCategories) {
        // Inserting from the last to the first, each right after the root, leaves them in collection order.
        const auto categories = gCategories->items();
        for (auto it = categories.rbegin(); it != categories.rend(); ++it) {
            keys.insert(1, (*it)->strKey());
        }
    }
    if (gGroups) {
        const auto groups = gGroups->items();
        for (auto it = groups.rbegin(); it != groups.rend(); ++it) {
            const qsizetype parent = keys.indexOf(MakeItemKey((*it)->lngParentType(), (*it)->lngParentID()));
            if (parent >= 0) {
                keys.insert(parent + 1, (*it)->strKey());
            }
        }
    }
    QList<Place> places;
    places.reserve(keys.size());
    for (const QString& key : std::as_const(keys)) {
        Place place;
        place.key = key;
        if (key.startsWith(u'!')) {
            place.text = QStringLiteral("Root");
            place.image = QStringLiteral("imgVidsora");
        } else if (key.startsWith(u'C')) {
            const auto category = gCategories->Item(key);
            place.text = ShortenText(category ? category->strName() : QString(), 50);
            place.image = QStringLiteral("imgCategory");
        } else {
            const auto group = gGroups->Item(key);
            place.text = ShortenText(group ? group->strName() : QString(), 50);
            place.image = QStringLiteral("imgSubCategory");
        }
        place.indent = GetKeyDepth(key);
        places.append(place);
    }
    return places;
}

bool ImportSession::Find(const QString& text, bool byTitle)
{
    BeginCommand();
    if (!ConnectAndLogIn()) {
        return false;
    }
    bool broken = false;
    COM::ReplyEnd end = COM::ReplyEnd::None;
    {
        // The reading of the reply belongs to the wait as well: a reply of many thousand results can be cancelled.
        const QString what = AnsiText::Trim(text);
        Wait wait(*this, QStringLiteral("Searching Vidsora: Online for \"%1\"...").arg(what));
        const QVariant found = byTitle ? Com().FindTitle(what) : Com().FindUPC(what);
        m_results.clear();
        emit ResultsChanged();
        if (Aborted()) {
            return false;
        }
        // A reply that broke off is no result, but what of it arrived whole is shown, and the user is told.
        end = Com().LastReplyEnd();
        broken = end == COM::ReplyEnd::CutOff || end == COM::ReplyEnd::TooLarge;
        if (!broken && found.metaType() != QMetaType::fromType<COM::ResultTable>()) {
            return true;
        }
        // A copy of its own: an abort while the results are read drops the client.
        const COM::ResultTable table = broken ? Com().PartialResult() : found.value<COM::ResultTable>();
        if (!ReadResults(table)) {
            return false;
        }
        // Shown before the user is told about them.
        emit ResultsChanged();
    }
    // Told once the wait has ended, so the message takes the user's answer.
    if (broken) {
        Tell(BrokenReplyMessage(end == COM::ReplyEnd::TooLarge, int(m_results.size())));
        return false;
    }
    return true;
}

QString ImportSession::BrokenReplyMessage(bool tooLarge, int read)
{
    const QString count = read == 0   ? QStringLiteral("No result")
                          : read == 1 ? QStringLiteral("1 result")
                                      : QStringLiteral("%1 results").arg(read);
    const QString what = tooLarge ? QStringLiteral("The reply to the search is larger than the %1 MB Vidsora takes.")
                                        .arg(COM::kMaxMessage / (1024 * 1024))
                                  : QStringLiteral("The reply to the search was cut off before its end.");
    return what + u' ' + count + QStringLiteral(" could be read.");
}

bool ImportSession::ReadResults(const COM::ResultTable& table)
{
    // A code found again is left out: the first record with it stands.
    QList<Result> results;
    QSet<QString> keys;
    const qsizetype records = std::max<qsizetype>(0, table.size() - 1);
    results.reserve(records);
    keys.reserve(records);
    for (qsizetype i = 1; i < table.size(); ++i) {
        if (!StillWanted()) {
            return false;
        }
        const QStringList& record = table.at(i);
        Result result;
        result.code = record.value(1);
        result.title = record.value(2);
        result.media = record.value(3);
        result.key = QStringLiteral("U") + result.code;
        const qsizetype known = keys.size();
        keys.insert(result.key);
        if (keys.size() > known) {
            results.append(result);
        }
    }
    m_results = std::move(results);
    return true;
}

bool ImportSession::Queue(int result, const Place& place)
{
    if (result < 0 || result >= m_results.size()) {
        return false;
    }
    const Result& chosen = m_results.at(result);
    const bool queued =
        std::any_of(m_rows.cbegin(), m_rows.cend(), [&chosen](const Row& row) { return row.key == chosen.key; });
    if (queued) {
        return false;
    }
    m_rows.append(Row{chosen.key, chosen.title, chosen.code, place.text, PendingState(), place.key});
    return true;
}

bool ImportSession::Remove(int row)
{
    if (row < 0 || row >= m_rows.size() || IsWaiting()) {
        return false;
    }
    m_rows.removeAt(row);
    return true;
}

void ImportSession::ImportSelected()
{
    BeginCommand();
    for (int i = 0; i < m_rows.size(); ++i) {
        if (!ConnectAndLogIn()) {
            if (Aborted()) {
                SetState(i, ErrorState());
            }
            break;
        }
        SetCurrentRow(i);
        QString text;
        {
            Wait wait(*this, QStringLiteral("Downloading \"%1\"...").arg(m_rows.at(i).title));
            text = Com().GetUEF(m_rows.at(i).key.mid(1));
        }
        if (Aborted()) {
            SetCurrentRow(-1);
            SetState(i, ErrorState());
            break;
        }
        if (text.isEmpty()) {
            SetState(i, ErrorState());
        } else {
            SetState(i, ProcessingState());
            // A row is finished only when at least one item came of it; one that could not be written leaves
            // nothing behind and says why.
            // The items go in as a wait of their own, so Cancel reaches every one of them; a cancelled row leaves
            // nothing behind and the command ends.
            ImportResult result;
            {
                Wait wait(*this, QStringLiteral("Adding \"%1\" to the collection...").arg(m_rows.at(i).title));
                // The hook is told every few milliseconds: each time is a look at the events.
                result = ImportExchange(text, m_rows.at(i).placeKey, [this](int, int) {
                    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                    return !Aborted();
                });
            }
            if (result.cancelled && result.left == 0) {
                SetCurrentRow(-1);
                SetState(i, ErrorState());
                break;
            }
            SetState(i, result.added > 0 ? FinishedState() : ErrorState());
            if (!result.tooLarge.isEmpty()) {
                Tell(QStringLiteral("\"%1\" was not imported: %2.").arg(m_rows.at(i).title, result.tooLarge));
            } else if (!result.error.isEmpty()) {
                Tell(WriteFailureMessage(m_rows.at(i).title, result.error, result.left));
            } else if (const QString leftOut = UEFFile::LeftOutText(result); !leftOut.isEmpty()) {
                Tell(QStringLiteral("\"%1\": %2").arg(m_rows.at(i).title, leftOut));
            }
        }
        SetCurrentRow(-1);
    }
    SetCurrentRow(-1);
}

QString ImportSession::WriteFailureMessage(const QString& title, const QString& why, int left)
{
    QString text = QStringLiteral("\"%1\" could not be written to the collection: %2. Nothing of it was imported.")
                       .arg(title, why);
    if (left > 0) {
        text += QStringLiteral(" %1 of the items made could not be removed again and are still in the collection.")
                    .arg(left);
    }
    return text;
}

int ImportSession::FinishedCount() const
{
    return int(
        std::count_if(m_rows.cbegin(), m_rows.cend(), [](const Row& row) { return row.state == FinishedState(); }));
}

void ImportSession::OnProgress(int row, int percent)
{
    SetState(row, QString::number(percent) + u'%');
}

void ImportSession::SetState(int row, const QString& state)
{
    if (row < 0 || row >= m_rows.size()) {
        return;
    }
    m_rows[row].state = state;
    emit RowChanged(row);
}
