#include "main_form.h"

#include "about_form.h"
#include "help_window.h"
#include "main/desktop_tools.h"
#include "main/wine_registry.h"
#include "main_commands.h"
#include "no_device_hint.h"
#include "settings/language.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "ui/common/look.h"
#include "ui/common/status_bar.h"
#include "ui/common/translate_form.h"
#include "ui/metadata/choose_release_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>
#include <exception>

const char* const kVersionText = QUILLON_VERSION;

namespace {
constexpr int kPollMilliseconds = 2000;
constexpr int kMargin = 10;
constexpr int kMinTitleWidth = 60;

enum Column { colNumber = 0, colTitle = 1, colLength = 2, colSize = 3 };

QString res(const char* key)
{
    return GetResString(QString::fromLatin1(key));
}

QStyle::StandardPixmap toolIcon(const QString& name)
{
    static const QHash<QString, QStyle::StandardPixmap> icons = {
        {QStringLiteral("tbExtract"), QStyle::SP_DriveCDIcon},
        {QStringLiteral("tbEncode"), QStyle::SP_MediaSeekForward},
        {QStringLiteral("tbFolder"), QStyle::SP_DirOpenIcon},
        {QStringLiteral("tbRecord"), QStyle::SP_MediaVolume},
        {QStringLiteral("tbOptions"), QStyle::SP_FileDialogDetailedView},
        {QStringLiteral("tbHome"), QStyle::SP_DirHomeIcon},
        {QStringLiteral("tbExit"), QStyle::SP_DialogCloseButton},
    };
    return icons.value(name, QStyle::SP_FileIcon);
}
} // namespace

TMainForm::TMainForm(TMainFormServices services, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    // The options come first: everything below reads them.
    try {
        if (services.options)
            services.options(true);
    } catch (const std::exception&) {
        // an unreadable options.ini leaves the defaults
    }
    m_model = new TMainFormModel(std::move(services), this);
    m_model->CurrentTitles = [this] { return titles(); };

    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    startDetached = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };

    setWindowTitle(QStringLiteral("Quillon ") + QString::fromLatin1(kVersionText));
    setStyleSheet(look::FlatStyleSheet());

    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("ClientArea"));
    m_client->setAttribute(Qt::WA_StyledBackground);
    m_client->setStyleSheet(
        QStringLiteral("#ClientArea { background: %1; }").arg(look::css(look::kWindow)));
    setCentralWidget(m_client);

    buildToolBar(m_client);

    // What the disc is, as the disc record says; text from the network or
    // the disc, shown as plain text.
    m_discTitle = new QLabel(m_client);
    m_discTitle->setObjectName(QStringLiteral("lDiscTitle"));
    m_discTitle->setProperty("quillonNoTranslate", true);
    m_discTitle->setTextFormat(Qt::PlainText);
    QFont titleFont = m_discTitle->font();
    titleFont.setBold(true);
    m_discTitle->setFont(titleFont);

    m_list = new QTreeWidget(m_client);
    m_list->setObjectName(QStringLiteral("ListView1"));
    m_list->setColumnCount(4);
    m_list->setHeaderLabels({QStringLiteral("No."), QStringLiteral("Title"),
                             QStringLiteral("Length(min)"), QStringLiteral("Size(MB)")});
    const int widths[] = {90, 230, 100, 90};
    for (int i = 0; i < 4; ++i)
        m_list->setColumnWidth(i, widths[i]);
    m_list->headerItem()->setTextAlignment(colLength, Qt::AlignCenter);
    m_list->headerItem()->setTextAlignment(colSize, Qt::AlignCenter);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->header()->setStretchLastSection(false);
    m_list->setStyleSheet(QStringLiteral("QTreeWidget { background: %1; border: 1px solid "
                                         "rgb(160, 170, 220); }")
                              .arg(look::css(look::kList)));
    m_list->setStyle(look::ListCheckStyle());
    m_list->viewport()->installEventFilter(this);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);

    m_status = new TStatusBar(m_client, 1);
    m_status->setObjectName(QStringLiteral("StatusBar1"));
    m_status->setAttribute(Qt::WA_StyledBackground);
    m_status->setStyleSheet(QStringLiteral("#StatusBar1 { background: %1; border: 1px solid "
                                           "rgb(170, 180, 225); }")
                                .arg(look::css(look::kStatusBar)));

    m_client->installEventFilter(this);

    buildMenus();
    attachOwnCommands();

    connect(m_model, &TMainFormModel::statusChanged, this,
            [this](const QString& text) { m_status->setPanelText(0, text); });
    connect(m_model, &TMainFormModel::rowsChanged, this, &TMainForm::fillList);
    connect(m_model, &TMainFormModel::titlesChanged, this, &TMainForm::showLookedUpTitles);
    connect(m_model, &TMainFormModel::choiceNeeded, this, &TMainForm::chooseCandidate,
            Qt::QueuedConnection);
    connect(m_list, &QTreeWidget::itemChanged, this, [this] { updateCommands(); });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { updateCommands(); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        QAction* rename = action(TCommand::EditTrackName);
        if (item != nullptr && item->isSelected() && rename->isVisible() && rename->isEnabled())
            rename->trigger();
    });
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        updateCommands();
        m_popup->popup(m_list->viewport()->mapToGlobal(pos));
    });

    m_pollTimer = new QTimer(this);
    m_pollTimer->setInterval(kPollMilliseconds);
    connect(m_pollTimer, &QTimer::timeout, this, [this] {
        // A modal window (a job, a dialog) owns the drive and the list meanwhile.
        if (QApplication::activeModalWidget() == nullptr)
            m_model->PollDisc();
    });

    resize(551, 501);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    updateCommands();
}

TMainForm::~TMainForm() = default;

// --- building ---------------------------------------------------------------

void TMainForm::buildMenus()
{
    for (const TMainMenu& spec : MainMenus()) {
        const QString name = QString::fromLatin1(spec.Name);
        auto* menu = new QMenu(QString::fromLatin1(spec.Caption), this);
        menu->setObjectName(name);
        m_menus.insert(name, menu);
        connect(menu, &QMenu::aboutToShow, this, &TMainForm::updateCommands);
    }
    // Commands first, so that a submenu lands after the command before it.
    for (const TMainCommand& spec : MainCommands()) {
        const QString name = QString::fromLatin1(spec.Name);
        auto* act = new QAction(QString::fromLatin1(spec.Caption), this);
        act->setObjectName(name);
        if (*spec.Shortcut != '\0') {
            act->setShortcut(QKeySequence(QString::fromLatin1(spec.Shortcut)));
            act->setShortcutContext(Qt::WindowShortcut);
        }
        act->setVisible(false);
        addAction(act); // shortcuts work without opening a menu
        m_actions[size_t(spec.Id)] = act;
        QMenu* menu = m_menus.value(QString::fromLatin1(spec.Menu));
        if (spec.SeparatorBefore)
            menu->addSeparator();
        menu->addAction(act);
        if (spec.Id == TCommand::VolumeControl)
            menu->addMenu(m_menus.value(QStringLiteral("ClearHistory1")));
    }
    for (const TMainMenu& spec : MainMenus()) {
        if (*spec.Parent == '\0')
            menuBar()->addMenu(m_menus.value(QString::fromLatin1(spec.Name)));
    }
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenu1"));
    for (TCommand command : MainContextCommands())
        m_popup->addAction(action(command));
    for (TCommand command : {TCommand::English, TCommand::OtherLanguage})
        action(command)->setCheckable(true);
}

void TMainForm::buildToolBar(QWidget* parent)
{
    m_toolBar = new QWidget(parent);
    m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar->setAttribute(Qt::WA_StyledBackground);
    m_toolBar->setStyleSheet(
        QStringLiteral("#ToolBar1 { background: %1; }").arg(look::css(look::kToolBar)));
    auto* layout = new QHBoxLayout(m_toolBar);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    for (const TToolButtonSpec& spec : MainToolButtons()) {
        if (spec.SeparatorBefore) {
            auto* separator = new QFrame(m_toolBar);
            separator->setFrameShape(QFrame::VLine);
            separator->setFrameShadow(QFrame::Plain);
            separator->setStyleSheet(QStringLiteral("color: rgb(180, 185, 225);"));
            layout->addWidget(separator);
            m_toolBarItems << separator;
        }
        const QString name = QString::fromLatin1(spec.Name);
        auto* button = new QToolButton(m_toolBar);
        button->setObjectName(name);
        button->setText(QString::fromLatin1(spec.Caption));
        button->setIcon(style()->standardIcon(toolIcon(name)));
        button->setIconSize(QSize(24, 24));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setMinimumWidth(52);
        m_toolButtonCommands.insert(button, spec.Command);
        connect(button, &QToolButton::clicked, this, [this, command = spec.Command] {
            QAction* act = action(command);
            if (act->isEnabled())
                act->trigger();
        });
        layout->addWidget(button);
        m_toolButtons.insert(name, button);
        m_toolBarItems << button;
    }
    layout->addStretch(1);
}

void TMainForm::attachOwnCommands()
{
    const auto own = [this](TCommand command, std::function<void()> run,
                            std::function<bool()> enabled = {}) {
        setCommand(command, std::move(run), std::move(enabled));
    };
    own(TCommand::OpenOutputFolder, [this] {
        m_model->OpenOutputDirectory(
            [this](const QString& folder) { openUrl(QUrl::fromLocalFile(folder)); });
    });
    own(TCommand::Refresh, [this] { m_model->Refresh(); });
    own(TCommand::Eject, [this] { m_model->EjectCD(); });
    own(TCommand::CloseTray, [this] { m_model->CloseCD(); });
    own(TCommand::Exit, [this] { close(); });
    own(TCommand::VolumeControl, [this] { OpenVolumeControl(); });
    own(TCommand::ClearRealPlayer, [this] { ClearHistory(true); });
    own(TCommand::ClearMediaPlayer, [this] { ClearHistory(false); });
    own(TCommand::SelectAll, [this] { SelectAll(true); });
    own(TCommand::SelectNone, [this] { SelectAll(false); });
    own(TCommand::English, [this] { ChooseLanguage(QStringLiteral("miEnglish")); });
    own(TCommand::OtherLanguage, [this] { ChooseLanguage(QStringLiteral("miOther")); });
    own(TCommand::Help, [this] { ShowHelp(); });
    // The program has no public page yet: Home shows the help page.
    own(TCommand::HomePage, [this] { ShowHelp(); });
    own(TCommand::About, [this] { ShowAbout(); });
    own(
        TCommand::LookUpTitles, [this] { m_model->LookUpTitles(); },
        [this] { return !m_model->rows().empty(); });
}

QAction* TMainForm::setCommand(TCommand command, std::function<void()> run,
                               std::function<bool()> enabled)
{
    QAction* act = action(command);
    disconnect(act, &QAction::triggered, nullptr, nullptr);
    connect(act, &QAction::triggered, this, [run = std::move(run)] {
        if (run)
            run();
    });
    if (enabled)
        m_enabled.insert(act, std::move(enabled));
    else
        m_enabled.remove(act);
    act->setVisible(true);
    updateCommands();
    return act;
}

void TMainForm::updateCommands()
{
    // The disc record may have changed with any command (a tag edit, a lookup).
    m_discTitle->setText(m_model->DiscTitle());
    for (auto it = m_enabled.cbegin(); it != m_enabled.cend(); ++it)
        it.key()->setEnabled(it.value()());
    // A menu shows only when something in it does.
    for (QMenu* menu : std::as_const(m_menus)) {
        bool any = false;
        for (QAction* act : menu->actions())
            any = any || (!act->isSeparator() && act->isVisible());
        menu->menuAction()->setVisible(any);
    }
    // Submenus were counted before their own visibility was known: once more.
    for (QMenu* menu : std::as_const(m_menus)) {
        bool any = false;
        for (QAction* act : menu->actions())
            any = any || (!act->isSeparator() && act->isVisible());
        menu->menuAction()->setVisible(any);
    }
    updateToolBar();
}

void TMainForm::updateToolBar()
{
    // Buttons follow their command; a separator shows only between two
    // visible buttons.
    bool buttonBefore = false;
    QWidget* pendingSeparator = nullptr;
    for (QWidget* item : std::as_const(m_toolBarItems)) {
        auto* button = qobject_cast<QToolButton*>(item);
        if (button == nullptr) {
            item->setVisible(false);
            if (buttonBefore)
                pendingSeparator = item;
            continue;
        }
        QAction* act = action(m_toolButtonCommands.value(button));
        const bool visible = act->isVisible();
        button->setVisible(visible);
        button->setEnabled(visible && act->isEnabled());
        if (visible) {
            if (pendingSeparator != nullptr)
                pendingSeparator->setVisible(true);
            pendingSeparator = nullptr;
            buttonBefore = true;
        }
    }
}

void TMainForm::addCloseRequestHook(std::function<void()> hook)
{
    m_closeHooks.push_back(std::move(hook));
}

// --- look -------------------------------------------------------------------

void TMainForm::layoutClient()
{
    const int width = m_client->width();
    const int height = m_client->height();
    const int toolHeight = m_toolBar->sizeHint().height();
    const int statusHeight = m_status->height();
    const int titleHeight = m_discTitle->fontMetrics().height() + 6;
    m_toolBar->setGeometry(0, 0, width, toolHeight);
    m_discTitle->setGeometry(kMargin + 2, toolHeight, width - 2 * kMargin - 2, titleHeight);
    const int listTop = toolHeight + titleHeight;
    m_list->setGeometry(kMargin, listTop, width - 2 * kMargin,
                        height - listTop - statusHeight - kMargin);
    // The Title column takes what the list gains or loses, so that a wider
    // window shows longer titles instead of empty space; the other columns
    // keep the widths they have (the user may have changed them).
    if (m_listWidth > 0 && m_list->width() != m_listWidth) {
        const int title = m_list->columnWidth(colTitle) + m_list->width() - m_listWidth;
        m_list->setColumnWidth(colTitle, std::max(title, kMinTitleWidth));
    }
    m_listWidth = m_list->width();
    m_status->setGeometry(kMargin, height - statusHeight - kMargin, width - 2 * kMargin,
                          statusHeight);
}

// --- list -------------------------------------------------------------------

void TMainForm::fillList()
{
    const QSignalBlocker block(m_list);
    m_list->clear();
    for (const TTrackRow& row : m_model->rows()) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(colNumber, row.Caption);
        item->setText(colTitle, row.Title);
        item->setText(colLength, row.Length);
        item->setText(colSize, row.Size);
        item->setTextAlignment(colLength, Qt::AlignCenter);
        item->setTextAlignment(colSize, Qt::AlignCenter);
        item->setFlags((item->flags() | Qt::ItemIsUserCheckable) & ~Qt::ItemIsEditable);
        item->setCheckState(colNumber, Qt::Checked);
    }
    updateCommands();
}

void TMainForm::showLookedUpTitles()
{
    const std::vector<TTrackRow>& rows = m_model->rows();
    for (size_t row = 0; row < rows.size(); ++row)
        setTitle(int(row), rows[row].Title);
    updateCommands();
}

void TMainForm::chooseCandidate()
{
    const int index =
        ExecChooseRelease(this, m_model->LookupCandidates(), m_model->LookupProblems());
    if (index >= 0)
        m_model->ApplyLookedUpCandidate(index);
}

QStringList TMainForm::titles() const
{
    QStringList result;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        result << m_list->topLevelItem(i)->text(colTitle);
    return result;
}

void TMainForm::setTitle(int row, const QString& title)
{
    if (QTreeWidgetItem* item = m_list->topLevelItem(row))
        item->setText(colTitle, title);
}

std::vector<bool> TMainForm::checkedRows() const
{
    std::vector<bool> result;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        result.push_back(m_list->topLevelItem(i)->checkState(colNumber) == Qt::Checked);
    return result;
}

void TMainForm::setChecked(int row, bool checked)
{
    if (QTreeWidgetItem* item = m_list->topLevelItem(row))
        item->setCheckState(colNumber, checked ? Qt::Checked : Qt::Unchecked);
}

QStringList TMainForm::checkedItems() const
{
    return CheckedItems(titles(), checkedRows());
}

bool TMainForm::hasCheckedRows() const
{
    for (bool checked : checkedRows()) {
        if (checked)
            return true;
    }
    return false;
}

int TMainForm::selectedRow() const
{
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? -1 : m_list->indexOfTopLevelItem(selected.first());
}

QString TMainForm::statusText() const
{
    return m_status->panelText(0);
}

void TMainForm::SelectAll(bool checked)
{
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        setChecked(i, checked);
}

// --- events -----------------------------------------------------------------

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_client && event->type() == QEvent::Resize) {
        layoutClient();
    } else if (watched == m_list->viewport()) {
        const auto type = event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
            type == QEvent::MouseButtonDblClick) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->modifiers() & Qt::ControlModifier) {
                // Ctrl+click toggles the row's check mark; the list's own
                // handling (which would toggle selection or the box) is skipped.
                QTreeWidgetItem* item = m_list->itemAt(mouse->position().toPoint());
                if (item != nullptr && type == QEvent::MouseButtonPress &&
                    mouse->button() == Qt::LeftButton) {
                    item->setCheckState(colNumber, item->checkState(colNumber) == Qt::Checked
                                                       ? Qt::Unchecked
                                                       : Qt::Checked);
                    m_list->setCurrentItem(item);
                }
                return item != nullptr;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    layoutClient();
    try {
        if (m_model->Start()) {
            MarkLanguageMenu();
            if (!IsEnglishLanguage(OptionsSetting.Lan))
                TranslateForm(this, OptionsSetting.Lan);
        }
    } catch (...) {
        // whatever goes wrong here, the window stays usable
    }
    m_pollTimer->start();
}

bool TMainForm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        if (m_model->CDHandle() == 0 && m_shown)
            showNoDeviceHint();
        m_model->Activated();
    }
    return QMainWindow::event(event);
}

void TMainForm::showNoDeviceHint()
{
    // Once per session, and window-modal rather than a nested loop, so that
    // closing it always gives the main window back.
    if (m_hintShown)
        return;
    m_hintShown = true;
    auto* hint = new TfrmNoDeviceHint(this, m_model->ImageProblem());
    hint->setAttribute(Qt::WA_DeleteOnClose);
    hint->open();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    for (const auto& hook : m_closeHooks) {
        try {
            hook();
        } catch (...) {
        }
    }
    if (!m_closed) {
        m_closed = true;
        m_pollTimer->stop();
        m_model->Close(titles());
    }
    event->accept();
}

// --- commands ---------------------------------------------------------------

void TMainForm::MarkLanguageMenu()
{
    for (QAction* act : m_menus.value(QStringLiteral("Language1"))->actions()) {
        if (act->isSeparator())
            continue;
        act->setChecked(LanguageOfMenuItem(act->objectName())
                            .compare(OptionsSetting.Lan, Qt::CaseInsensitive) == 0);
    }
}

void TMainForm::ChooseLanguage(const QString& itemName)
{
    if (m_model->SwitchLanguage(itemName))
        TranslateForm(this, OptionsSetting.Lan);
    MarkLanguageMenu(); // a refused switch also undoes the click's own check
}

void TMainForm::ShowAbout()
{
    auto* about = new TfrmAbout(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->open();
}

void TMainForm::ShowHelp()
{
    if (!ShowHelpPage(this, openUrl))
        prompts().message(QStringLiteral("The help page can not be found."), PromptIcon::Error,
                          pbOk);
}

void TMainForm::OpenVolumeControl()
{
    const QStringList command = VolumeControlCommand(
        [](const QString& name) { return QStandardPaths::findExecutable(name); });
    if (command.isEmpty() || !startDetached(command.first(), command.mid(1)))
        prompts().message(QStringLiteral("No volume control can be started. Please install "
                                         "pavucontrol or alsamixer."),
                          PromptIcon::Error, pbOk);
}

void TMainForm::ClearHistory(bool realPlayer)
{
    // The players run under Wine; most Linux machines have none of it.
    const QString path = TWineRegistry::UserRegistryPath();
    if (!QFileInfo::exists(path)) {
        prompts().message(QStringLiteral("There is no Wine prefix (%1 does not exist), so there "
                                         "is no player history to clear.")
                              .arg(QDir::toNativeSeparators(path)),
                          PromptIcon::Information, pbOk);
        return;
    }
    const QString exe =
        realPlayer ? QStringLiteral("realplay.exe") : QStringLiteral("wmplayer.exe");
    if (IsWindowsProgramRunning(exe) &&
        prompts().message(res("RES_RealOne_Window_Exist"), PromptIcon::Information, pbYes | pbNo) !=
            pbYes)
        return;
    TWineRegistry registry;
    if (!registry.load(path)) {
        prompts().message(QStringLiteral("Unable to read ") + path, PromptIcon::Error, pbOk);
        return;
    }
    const int count =
        realPlayer ? ClearRealPlayerHistory(registry) : ClearMediaPlayerHistory(registry);
    if (registry.isModified() && !registry.save()) {
        prompts().message(QStringLiteral("Unable to write to ") + TWineRegistry::UserRegistryPath(),
                          PromptIcon::Error, pbOk);
        return;
    }
    prompts().message(QString::number(count) + res("RES_Clear_History"), PromptIcon::Information,
                      pbOk);
}
