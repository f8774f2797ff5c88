#include "query_cddb_form.h"

#include "cddb/cddb_client.h"
#include "cddb_texts.h"
#include "settings/options_setting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TfrmQueryCDDB::TfrmQueryCDDB(QWidget* owner, std::uint8_t firstTrack, std::uint8_t lastTrack,
                             HCDROM cdHandle, TSetRowTitle setRowTitle)
    : QDialog(owner), m_firstTrack(firstTrack), m_lastTrack(lastTrack), m_cdHandle(cdHandle),
      m_setRowTitle(std::move(setRowTitle))
{
    setObjectName(QStringLiteral("frmQueryCDDB"));
    setWindowTitle(QStringLiteral("Query CDDB"));
    setModal(true);

    GroupBox1 = named(new QGroupBox(QStringLiteral("Server"), this), "GroupBox1");
    Label1 = named(new QLabel(QStringLiteral("Freedb Server:"), GroupBox1), "Label1");
    cbServer = named(new QComboBox(GroupBox1), "cbServer");
    cbServer->setEditable(true);
    cbServer->setInsertPolicy(QComboBox::NoInsert);
    cbServer->addItems(CddbServerHosts());
    Label2 = named(new QLabel(QStringLiteral("Query Script:"), GroupBox1), "Label2");
    eScript = named(new QLineEdit(kCddbDefaultScript, GroupBox1), "eScript");

    GroupBox2 = named(new QGroupBox(QStringLiteral("Proxy server"), this), "GroupBox2");
    cbProxy = named(new QCheckBox(QStringLiteral("Use a proxy server"), GroupBox2), "cbProxy");
    Label3 = named(new QLabel(QStringLiteral("Address:"), GroupBox2), "Label3");
    eAddress = named(new QLineEdit(GroupBox2), "eAddress");
    Label4 = named(new QLabel(QStringLiteral("Port:"), GroupBox2), "Label4");
    ePort = named(new QLineEdit(GroupBox2), "ePort");

    bQuery = named(new QPushButton(QStringLiteral("Query"), this), "bQuery");
    bDefault = named(new QPushButton(QStringLiteral("Default"), this), "bDefault");
    bClose = named(new QPushButton(QStringLiteral("Close"), this), "bClose");
    bQuery->setDefault(true);

    auto* serverGrid = new QGridLayout(GroupBox1);
    serverGrid->addWidget(Label1, 0, 0);
    serverGrid->addWidget(cbServer, 0, 1);
    serverGrid->addWidget(Label2, 1, 0);
    serverGrid->addWidget(eScript, 1, 1);
    auto* proxyGrid = new QGridLayout(GroupBox2);
    proxyGrid->addWidget(cbProxy, 0, 0, 1, 4);
    proxyGrid->addWidget(Label3, 1, 0);
    proxyGrid->addWidget(eAddress, 1, 1);
    proxyGrid->addWidget(Label4, 1, 2);
    proxyGrid->addWidget(ePort, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bQuery);
    buttons->addWidget(bDefault);
    buttons->addWidget(bClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(GroupBox2);
    layout->addLayout(buttons);

    connect(bQuery, &QPushButton::clicked, this, &TfrmQueryCDDB::bQueryClick);
    connect(bDefault, &QPushButton::clicked, this, &TfrmQueryCDDB::bDefaultClick);
    connect(bClose, &QPushButton::clicked, this, &TfrmQueryCDDB::bCloseClick);
    // toggled, not clicked: assignments from code enable the fields as well.
    connect(cbProxy, &QCheckBox::toggled, this, &TfrmQueryCDDB::cbProxyClick);
    cbProxyClick();
    setMinimumWidth(360);
}

void TfrmQueryCDDB::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // A dialog is shown once per opening; showing it again after it was
    // minimised must not reload the fields over the user's edits.
    if (!e->spontaneous())
        FormShow();
}

void TfrmQueryCDDB::FormShow()
{
    const TQueryCDDB& q = OptionsSetting.QueryCDDB;
    // The saved server, also one typed earlier that is not in the list: the
    // windows and the command line query the same host. Nothing saved yet
    // shows the main server.
    const int index = cbServer->findText(q.Server, Qt::MatchExactly | Qt::MatchCaseSensitive);
    cbServer->setCurrentIndex(index >= 0 ? index : 0);
    cbServer->setEditText(index >= 0 || q.Server.trimmed().isEmpty()
                              ? cbServer->itemText(cbServer->currentIndex())
                              : q.Server);
    eScript->setText(q.Script);
    cbProxy->setChecked(q.UseProxy);
    eAddress->setText(q.ProxyAddress);
    ePort->setText(q.Port);
    cbProxyClick();
    RetitleCddbWindow(this);
}

void TfrmQueryCDDB::cbProxyClick()
{
    const bool on = cbProxy->isChecked();
    eAddress->setEnabled(on);
    ePort->setEnabled(on);
}

void TfrmQueryCDDB::bDefaultClick()
{
    cbServer->setCurrentIndex(0);
    cbServer->setEditText(cbServer->itemText(0));
    eScript->setText(kCddbDefaultScript);
    cbProxy->setChecked(false);
    cbProxyClick();
}

void TfrmQueryCDDB::bQueryClick()
{
    TQueryCDDB& q = OptionsSetting.QueryCDDB;
    q.Server = cbServer->currentText();
    q.Script = eScript->text();
    q.UseProxy = cbProxy->isChecked();
    q.ProxyAddress = eAddress->text();
    q.Port = ePort->text();

    int result = mrCancel;
    {
        TfrmStopQuery wait(this, m_firstTrack, m_lastTrack, m_cdHandle, m_setRowTitle);
        result = wait.exec();
    }
    if (result == mrYes)
        done(mrYes);
}

void TfrmQueryCDDB::bCloseClick()
{
    done(mrCancel);
}
