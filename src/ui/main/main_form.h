#pragma once
// The main window: the drive, the track list of the disc in it, the status
// line, and the commands that open every other window. Its logic lives in
// TMainFormModel; this class only shows rows and routes commands.

#include "cdaccess/cd_access.h"
#include "main/main_form_model.h"
#include "main_commands.h"

#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <QUrl>

#include <array>
#include <functional>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TStatusBar;

// The program's version text.
extern const char* const kVersionText;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(TMainFormServices services, QWidget* parent = nullptr);
    ~TMainForm() override;

    // --- what other windows use --------------------------------------------
    TMainFormModel& model() { return *m_model; }
    HCDROM CDHandle() const { return m_model->CDHandle(); }
    HCDROM OpenDrive(int index) { return m_model->OpenDrive(index); }
    void SwitchDrive(int index) { m_model->SwitchDrive(index); }
    void ReadDisc() { m_model->ReadDisc(); }
    bool AudioCDPresent() { return m_model->AudioCDPresent(); }
    QTreeWidget* ListView1() const { return m_list; }
    // The disc's artist and album above the track list.
    QLabel* DiscTitleLabel() const { return m_discTitle; }
    TStatusBar* StatusBar1() const { return m_status; }
    QString statusText() const;
    void setStatusText(const QString& text) { m_model->setStatusText(text); }

    QStringList titles() const;
    void setTitle(int row, const QString& title);
    std::vector<bool> checkedRows() const;
    void setChecked(int row, bool checked);
    // The items for an extraction job: row number in two digits + title.
    QStringList checkedItems() const;
    bool hasCheckedRows() const;
    int selectedRow() const; // -1 when none

    // --- commands -----------------------------------------------------------
    // Attaches a handler to a command of the menus and shows it with its
    // toolbar button; enabled, when given, is asked whenever the list or its
    // selection changes. Returns the command's action.
    QAction* setCommand(TCommand command, std::function<void()> run,
                        std::function<bool()> enabled = {});
    QAction* action(TCommand command) const { return m_actions[size_t(command)]; }
    QToolButton* toolButton(const QString& name) const { return m_toolButtons.value(name); }
    // Re-asks every command whether it is enabled.
    void updateCommands();
    // Runs before the close sequence (e.g. stopping an encoder).
    void addCloseRequestHook(std::function<void()> hook);

    // How the window reaches the desktop; tests replace these.
    std::function<bool(const QUrl&)> openUrl;
    std::function<bool(const QString&, const QStringList&)> startDetached;

    // The commands of this window.
    void SelectAll(bool checked);
    void ChooseLanguage(const QString& itemName);
    void MarkLanguageMenu();
    void ShowAbout();
    void ShowHelp();
    void OpenVolumeControl();
    void ClearHistory(bool realPlayer);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildToolBar(QWidget* parent);
    void attachOwnCommands();
    void layoutClient();
    void fillList();
    void updateToolBar();
    void showNoDeviceHint();
    void showLookedUpTitles();
    void chooseCandidate();

    TMainFormModel* m_model;
    QWidget* m_client = nullptr;
    QWidget* m_toolBar = nullptr;
    QLabel* m_discTitle = nullptr;
    QTreeWidget* m_list = nullptr;
    TStatusBar* m_status = nullptr;
    QMenu* m_popup = nullptr;
    QTimer* m_pollTimer = nullptr;
    std::array<QAction*, kCommandCount> m_actions{};
    QHash<QString, QMenu*> m_menus;
    QHash<QString, QToolButton*> m_toolButtons;
    QHash<QToolButton*, TCommand> m_toolButtonCommands;
    QList<QWidget*> m_toolBarItems; // buttons and separators in order
    QHash<QAction*, std::function<bool()>> m_enabled;
    std::vector<std::function<void()>> m_closeHooks;
    bool m_shown = false;
    int m_listWidth = 0; // the list's width when the title column last followed it
    bool m_closed = false;
    bool m_hintShown = false;
};
