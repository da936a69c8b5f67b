#include "editors/ctlMedia.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

ctlMedia::ctlMedia(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ctlMediaData"));
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    fraMedia = AddGroup(QStringLiteral("fraMedia"), QStringLiteral("Media"), MediaKindOptions(), m_media,
                        [this](int v) { return m_model.ClickMedia(MediaKind(v)); });
    fraDVDType = AddGroup(QStringLiteral("fraDVDType"), QStringLiteral("DVD type"), DVDTypeOptions(), m_dvdType,
                          [this](int v) { return m_model.ClickDVDType(DVDType(v)); });
    fraLDType = AddGroup(QStringLiteral("fraLDType"), QStringLiteral("Laserdisc type"), LDTypeOptions(), m_ldType,
                         [this](int v) { return m_model.ClickLDType(LDType(v)); });
    fraCase = AddGroup(QStringLiteral("fraCase"), QStringLiteral("Case"), CaseOptions(), m_case,
                       [this](int v) { return m_model.ClickCase(CaseType(v)); });

    fraRegion = new QGroupBox(QStringLiteral("Region"), this);
    fraRegion->setObjectName(QStringLiteral("fraRegion"));
    auto* regionRow = new QHBoxLayout(fraRegion);
    for (int n = 1; n <= 6; ++n) {
        auto* box = new QCheckBox(QString::number(n), fraRegion);
        box->setObjectName(RegionBoxName(n));
        box->setTristate(false);
        regionRow->addWidget(box);
        m_regions.append(box);
        connect(box, &QCheckBox::clicked, this, [this, n](bool ticked) {
            if (m_model.ClickRegion(n, ticked)) {
                emit Change();
            }
        });
    }
    regionRow->addStretch();

    // Four rows of equal width; the Laserdisc type shares the DVD type's row and place.
    layout->addWidget(fraMedia, 0, 0);
    layout->addWidget(fraDVDType, 1, 0);
    layout->addWidget(fraLDType, 1, 0);
    layout->addWidget(fraCase, 2, 0);
    layout->addWidget(fraRegion, 3, 0);
    layout->setRowStretch(4, 1);
    ShowSelection();
}

QGroupBox* ctlMedia::AddGroup(const QString& name, const QString& caption, const QList<MediaOption>& options,
                              QHash<int, QRadioButton*>& buttons, const std::function<bool(int)>& click)
{
    auto* frame = new QGroupBox(caption, this);
    frame->setObjectName(name);
    auto* row = new QHBoxLayout(frame);
    QList<QRadioButton*> group;
    for (const MediaOption& option : options) {
        auto* button = new QRadioButton(option.caption, frame);
        button->setObjectName(option.name);
        // Qt's exclusivity cannot come back to "none selected"; the model keeps the groups exclusive.
        button->setAutoExclusive(false);
        button->installEventFilter(this);
        row->addWidget(button);
        group.append(button);
        buttons.insert(option.value, button);
        const int value = option.value;
        connect(button, &QRadioButton::clicked, this, [this, click, value] {
            const bool change = click(value);
            ShowSelection();
            if (change) {
                emit Change();
            }
        });
    }
    row->addStretch();
    m_groups.append(group);
    return frame;
}

bool ctlMedia::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        if (auto* button = qobject_cast<QRadioButton*>(watched)) {
            switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Left:
            case Qt::Key_Up:
                MoveInGroup(button, false);
                return true;
            case Qt::Key_Right:
            case Qt::Key_Down:
                MoveInGroup(button, true);
                return true;
            default:
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ctlMedia::MoveInGroup(QRadioButton* from, bool forward)
{
    for (const QList<QRadioButton*>& group : std::as_const(m_groups)) {
        const qsizetype at = group.indexOf(from);
        if (at < 0) {
            continue;
        }
        // No wrap at the ends, as with Qt's own groups.
        for (qsizetype i = at + (forward ? 1 : -1); i >= 0 && i < group.size(); i += forward ? 1 : -1) {
            QRadioButton* next = group[i];
            if (next->isEnabled() && next->isVisibleTo(this)) {
                next->setFocus(Qt::OtherFocusReason);
                if (!next->isChecked()) {
                    next->click();
                }
                return;
            }
        }
        return;
    }
}

mTypMediaInfo ctlMedia::dMedia()
{
    return m_model.dMedia();
}

void ctlMedia::setDMedia(const mTypMediaInfo& record)
{
    m_model.setDMedia(record);
    ShowSelection();
}

void ctlMedia::setLocked(bool locked)
{
    m_model.setLocked(locked);
    ShowSelection();
}

void ctlMedia::ShowSelection()
{
    const MediaSelection& selection = m_model.Selection();
    const bool enabled = m_model.ButtonsEnabled();
    const auto show = [enabled](const QHash<int, QRadioButton*>& buttons, int selected) {
        for (auto it = buttons.cbegin(); it != buttons.cend(); ++it) {
            const QSignalBlocker quiet(it.value());
            it.value()->setChecked(it.key() == selected);
            it.value()->setEnabled(enabled);
        }
    };
    show(m_media, int(selection.media));
    show(m_dvdType, int(selection.dvdType));
    show(m_ldType, int(selection.ldType));
    show(m_case, int(selection.dvdCase));
    for (int n = 1; n <= 6; ++n) {
        QCheckBox* box = m_regions[n - 1];
        const QSignalBlocker quiet(box);
        box->setChecked(selection.regions[size_t(n - 1)]);
        box->setEnabled(enabled);
    }
    // One Tab stop a group: its selected button, or its first while none is; the others take the focus only by a
    // click or an arrow key.
    for (const QList<QRadioButton*>& group : std::as_const(m_groups)) {
        QRadioButton* stop = group.value(0);
        for (QRadioButton* button : group) {
            if (button->isChecked()) {
                stop = button;
            }
        }
        for (QRadioButton* button : group) {
            button->setFocusPolicy(button == stop ? Qt::StrongFocus : Qt::ClickFocus);
        }
    }
    const MediaFrames frames = m_model.Frames();
    fraDVDType->setVisible(frames.dvdType);
    fraLDType->setVisible(frames.ldType);
    fraCase->setVisible(frames.dvdCase);
    fraRegion->setVisible(frames.region);
}
