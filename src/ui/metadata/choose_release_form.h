#pragma once
// TfrmChooseRelease: the one chooser of the windows, shown when a lookup
// brings several candidates (releases of one disc id, CDDB matches, CD-Text
// that disagrees with MusicBrainz). One row per candidate (source, artist,
// album, year, country, format, medium) and the track titles of the
// highlighted one; Use takes it. The contents come from TCandidateList.
//
// Threads: UI thread only.

#include "metadata/candidate_list.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;

class TfrmChooseRelease : public QDialog {
    Q_OBJECT
public:
    // problems: lines about sources that failed, shown below the list.
    TfrmChooseRelease(QWidget* parent, std::vector<TDiscCandidate> candidates,
                      const QStringList& problems = {});

    // The highlighted row; -1 when none.
    int chosenIndex() const;
    void choose(int index);

private:
    void showTracks();

    TCandidateList m_list;
    QLabel* lHint;
    QTreeWidget* lvCandidates;
    QListWidget* lbTracks;
    QLabel* lProblems;
    QPushButton* btUse;
    QPushButton* btCancel;
};

// Shows the chooser modally; the index of the candidate chosen, or -1 when
// the user cancelled.
int ExecChooseRelease(QWidget* parent, const std::vector<TDiscCandidate>& candidates,
                      const QStringList& problems = {});
