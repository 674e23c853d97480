// The browser opens a folder by its path, one listed level at a time.

#include "app/panes/ftp_sink.h"
#include "app/panes/ftp_tree_dlg.h"

namespace parcelo {

using velmora::CFtpNode;

namespace {

// The sub-folder of `node` on the way to `folder`; null when none is.
CFtpNode* NextOnTheWay(const CFtpNode& node, const std::string& folder) {
    for (velmora::CObjNode* base : node.GetChildren()) {
        auto* child = velmora::NodeCast<CFtpNode>(base);
        if (child == nullptr || !child->IsCatalog() || child->IsNodeDecoy()) continue;
        if (folder.starts_with(child->GetDoc())) return child;
    }
    return nullptr;
}

}  // namespace

void CFtpTreeDlg::OpenFolder(const std::string& folder) {
    CFtpNode* root = m_sink.GetRoot();
    if (root != nullptr && !folder.empty()) OpenFolderBelow(root, folder);
}

void CFtpTreeDlg::OpenFolderBelow(CFtpNode* node, const std::string& folder) {
    ListFolder(node, [this, folder](CFtpNode* listed) {
        CFtpNode* next = listed->GetDoc() == folder ? nullptr : NextOnTheWay(*listed, folder);
        if (next != nullptr) {
            OpenFolderBelow(next, folder);
            return;
        }
        const QModelIndex index = IndexOf(listed);
        if (!index.isValid()) return;
        for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) m_pTree->expand(parent);
        m_pTree->setCurrentIndex(index);
    });
}

}  // namespace parcelo
