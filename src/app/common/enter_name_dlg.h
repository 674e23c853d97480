#pragma once

#include <string>

#include <QDialog>

class QLineEdit;

namespace parcelo {

// Asks for one name: "Enter new name here:", OK and Cancel. OK stays
// disabled while the name is blank.
class CEnterNameDlg : public QDialog {
    Q_OBJECT

public:
    explicit CEnterNameDlg(const std::string& name, QWidget* parent = nullptr);

    // The name entered, without surrounding blanks.
    std::string GetName() const;

private:
    QLineEdit* m_pName;
};

}  // namespace parcelo
