#include "commands/DivisionPlan.h"

#include "commands/Workshops.h"
#include "core/mGeneral.h"

int BoxPlan::MovieCount() const
{
    int count = 0;
    for (const PlannedContainer& container : containers) {
        count += int(container.movies.size());
    }
    return count;
}

QString LeadingZeros(qint64 number, int digits)
{
    return QString::number(number).rightJustified(digits, u'0');
}

QString MediaNamePrefix(const QString& strMedia)
{
    if (strMedia == QLatin1String("DVD") || strMedia == QLatin1String("LD") || strMedia == QLatin1String("VCD")) {
        return QStringLiteral("Disc ");
    }
    if (strMedia == QLatin1String("VHS") || strMedia == QLatin1String("S-VHS")) {
        return QStringLiteral("Tape ");
    }
    return QStringLiteral("Media ");
}

BoxPlan PlanBox(const QStringList& titles, const QString& division, const QString& strMedia)
{
    BoxPlan plan;
    const qsizetype n = titles.size();
    plan.blnDirect = division == QLatin1String("1");

    std::optional<Workshops::Division> read = Workshops::ReadDivision(division);
    // A division of no part plans nothing.
    if (!read || read->parts.isEmpty()) {
        plan.refusal = Workshops::IllegalMessage();
        return plan;
    }
    QStringList& parts = read->parts;
    QVector<int>& counts = read->counts;
    // A single part covers every title, whatever it says.
    if (parts.size() == 1) {
        parts[0] = QString::number(n);
        counts[0] = int(n);
    } else if (read->Sum() != n) {
        plan.refusal = Workshops::SumMessage();
        return plan;
    }

    const int nameDigits = int(QString::number(parts.size()).size());
    const QString prefix = MediaNamePrefix(strMedia);
    qsizetype line = 0;
    for (qsizetype p = 0; p < parts.size(); ++p) {
        PlannedContainer container;
        container.blnBox = plan.blnDirect;
        if (!plan.blnDirect) {
            container.strName = prefix + LeadingZeros(p + 1, nameDigits);
            container.strSortKey = MakeSortKey(container.strName);
        }
        // Numbered to as many digits as the part has characters, as typed.
        const int movieDigits = int(parts.at(p).size());
        for (int number = 1; number <= counts.at(p) && line < n; ++number, ++line) {
            container.movies.append({line, LeadingZeros(number, movieDigits)});
        }
        plan.containers.append(container);
    }
    return plan;
}

QVector<PlannedMovie> PlanMedia(const QStringList& titles)
{
    QVector<PlannedMovie> movies;
    const qsizetype upper = titles.size() - 1;
    const int digits = int(QString::number(upper).size());
    for (qsizetype i = 0; i < titles.size(); ++i) {
        movies.append({i, LeadingZeros(i, digits)});
    }
    return movies;
}
