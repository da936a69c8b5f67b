#pragma once

#include "editors/MediaInfoModel.h"

#include <QHash>
#include <QList>
#include <QWidget>

#include <functional>

class QCheckBox;
class QGroupBox;
class QRadioButton;

// The media description control of the movie and media editors: the medium's kind, DVD type, Laserdisc type, case
// and regions, moved in and out as one record through dMedia. Each option group may have nothing selected, so the
// buttons are kept exclusive by hand rather than by Qt, and so is the keyboard: each group is one Tab stop (its
// selected button, or its first while none is), and the arrow keys move the selection within the group.
class ctlMedia : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(mTypMediaInfo dMedia READ dMedia WRITE setDMedia)
    Q_PROPERTY(bool Locked READ Locked WRITE setLocked)

public:
    explicit ctlMedia(QWidget* parent = nullptr);

    // Reading re-reads the buttons; writing shows the record and leaves the lock alone.
    mTypMediaInfo dMedia();
    void setDMedia(const mTypMediaInfo& record);
    // Locked disables every option button and region box; frames stay as they are.
    void setLocked(bool locked);
    bool Locked() const { return !m_model.ButtonsEnabled(); }

    const MediaInfoModel& Model() const { return m_model; }

    QGroupBox* fraMedia;
    QGroupBox* fraDVDType;
    QGroupBox* fraLDType;
    QGroupBox* fraCase;
    QGroupBox* fraRegion;

signals:
    void Change();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QGroupBox* AddGroup(const QString& name, const QString& caption, const QList<MediaOption>& options,
                        QHash<int, QRadioButton*>& buttons, const std::function<bool(int)>& click);
    // Shows the model's selection, frames and lock on the buttons.
    void ShowSelection();
    // The arrow key's move within the button's group: focus and select the next or previous button that can be.
    void MoveInGroup(QRadioButton* from, bool forward);

    MediaInfoModel m_model;
    QHash<int, QRadioButton*> m_media;
    QHash<int, QRadioButton*> m_dvdType;
    QHash<int, QRadioButton*> m_ldType;
    QHash<int, QRadioButton*> m_case;
    QList<QCheckBox*> m_regions;
    QList<QList<QRadioButton*>> m_groups; // each group's buttons, left to right
};
