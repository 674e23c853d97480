#include "app/connections/site_manager_dlg.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/connections/ftp_connection_prop_dlg.h"
#include "app/connections/ftp_connections_dlg.h"

namespace parcelo {

CSiteManagerDlg::CSiteManagerDlg(velmora::CFtpLoginInfoList& connections, CAppSettings& settings,
                                 IPrompter& prompter, QWidget* parent)
    : QDialog(parent), m_pSites(new CFtpConnectionsDlg(connections, settings, prompter)) {
    setObjectName("siteManager");
    setWindowTitle(tr("Site Manager"));
    resize(720, 480);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pSites, 1);
    auto* buttons = new QDialogButtonBox;
    m_pConnect = buttons->addButton(tr("&Connect"), QDialogButtonBox::AcceptRole);
    m_pConnect->setObjectName("connect");
    m_pConnect->setAutoDefault(false);
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setAutoDefault(false);
    layout->addWidget(buttons);

    CFtpConnectionPropDlg* props = m_pSites->GetProperties();
    connect(m_pConnect, &QPushButton::clicked, props, &CFtpConnectionPropDlg::OnApply);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    // Whatever connected (Connect, Apply, Enter in a field, a double click),
    // the window has done its work.
    connect(props, &CFtpConnectionPropDlg::Applied, this, &QDialog::accept);
    connect(m_pSites->GetList(), &QTreeWidget::itemSelectionChanged, this,
            [this] { m_pConnect->setEnabled(m_pSites->GetSelected() != nullptr); });
    m_pConnect->setEnabled(false);
}

}  // namespace parcelo
