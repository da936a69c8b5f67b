#include "commands/MemoryGame.h"

#include "core/mGlobals.h"

#include "CBoxes.h"
#include "CMedias.h"
#include "CMovies.h"

#include <algorithm>

namespace {

template <class Collection> void AddFrontCovers(const std::shared_ptr<Collection>& collection, QStringList& paths)
{
    if (!collection) {
        return;
    }
    for (const auto& item : *collection) {
        const QString cover = item->strFrontCover();
        if (!cover.isEmpty()) {
            paths.append(item->Path() + u'/' + cover);
        }
    }
}

} // namespace

MemoryGame::MemoryGame(std::optional<quint32> seed) : m_seed(seed), m_random(seed.value_or(0))
{
    m_clickable.fill(true);
}

QStringList MemoryGame::FrontCoverPaths()
{
    QStringList paths;
    AddFrontCovers(gBoxes, paths);
    AddFrontCovers(gMedias, paths);
    AddFrontCovers(gMovies, paths);
    return paths;
}

bool MemoryGame::ResetAll()
{
    for (mTypCard& card : m_Cards) {
        card = mTypCard();
    }
    m_clickable.fill(true);
    m_lngSelected = {-1, -1};
    m_blnGameOver = false;
    const QStringList pictures = CollectPictures();
    if (pictures.value(0) == QLatin1String("/")) {
        return false;
    }
    DealCards(pictures);
    return true;
}

QStringList MemoryGame::CollectPictures()
{
    QStringList gathered = FrontCoverPaths();
    QStringList pictures(kPictures);
    if (gathered.size() < kPictures) {
        pictures[0] = QStringLiteral("/");
        return pictures;
    }
    if (!m_seed) {
        m_random.seed(QRandomGenerator::system()->generate());
    }
    for (int i = 0; i < kPictures; ++i) {
        const qsizetype drawn = qsizetype(m_random.bounded(quint32(gathered.size())));
        pictures[i] = gathered.takeAt(drawn);
    }
    return pictures;
}

void MemoryGame::DealCards(const QStringList& pictures)
{
    for (mTypCard& card : m_Cards) {
        card.strPicture.clear();
    }
    for (int i = 0; i < kPictures; ++i) {
        for (int twice = 0; twice < 2; ++twice) {
            // Drawing among the free slots gives each the same chance a redraw on a taken slot would.
            std::array<int, kCards> free{};
            int count = 0;
            for (int slot = 0; slot < kCards; ++slot) {
                if (m_Cards[size_t(slot)].strPicture.isEmpty()) {
                    free[size_t(count++)] = slot;
                }
            }
            if (count == 0) {
                return;
            }
            mTypCard& card = m_Cards[size_t(free[size_t(m_random.bounded(count))])];
            card.strPicture = pictures.value(i);
            card.blFound = false;
        }
    }
}

bool MemoryGame::Visible(int index) const
{
    return m_blnGameOver || !m_Cards.at(size_t(index)).blFound;
}

MemoryGame::Turn MemoryGame::TurnCard(int index)
{
    if (index < 0 || index >= kCards || m_blnGameOver || !Visible(index) || !m_clickable[size_t(index)] ||
        m_Cards[size_t(index)].strPicture.isEmpty()) {
        return Turn::Ignored;
    }
    if (m_lngSelected[0] == -1) {
        m_lngSelected[0] = index;
        m_clickable[size_t(index)] = false;
        return Turn::First;
    }
    if (m_lngSelected[1] != -1) {
        return Turn::Ignored;
    }
    m_lngSelected[1] = index;
    m_clickable[size_t(index)] = false;
    return Turn::Second;
}

MemoryGame::TurnEnd MemoryGame::EndTurn()
{
    TurnEnd end;
    if (m_lngSelected[0] == -1 || m_lngSelected[1] == -1) {
        return end;
    }
    end.blnEnded = true;
    ++m_lngTries;
    m_clickable.fill(true);
    mTypCard& first = m_Cards[size_t(m_lngSelected[0])];
    mTypCard& second = m_Cards[size_t(m_lngSelected[1])];
    if (first.strPicture == second.strPicture) {
        first.blFound = true;
        second.blFound = true;
        end.blnMatched = true;
        end.blnGameOver = std::all_of(m_Cards.begin(), m_Cards.end(), [](const mTypCard& c) { return c.blFound; });
    }
    m_lngSelected = {-1, -1};
    if (end.blnGameOver) {
        m_blnGameOver = true;
        m_clickable.fill(false);
    }
    return end;
}
