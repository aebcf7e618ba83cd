#pragma once

// "Form Setting": names a new form, renames the anchor form, or names a
// form read from a form file, and carries the change out.

#include <QDialog>
#include <string>

#include "foundation/fxrevpropstore.h"
#include "platform/wintypes.h"

class CFxButton;
class QLineEdit;

inline constexpr int IDD_DSG_FORMNAME = 103;
inline constexpr int IDC_FORMNAME_EDIT = 1000;

class CDlgFormName : public QDialog {
    Q_OBJECT
public:
    enum { MODE_RENAME = 1, MODE_NEW = 2, MODE_LOAD = 3 };

    CDlgFormName(int mode, const std::string& name, QWidget* parent,
                 const CFxRevPropStore* formStore = nullptr);
    ~CDlgFormName() override;

    // The reason a name cannot be a form's name; empty when it can.
    static std::string ValidateSPName(const std::string& name);

    // OK: checks the name and carries the change out; the dialog ends
    // (IDOK or IDCANCEL) or stays open on a refused name.
    void OnOK();

    int GetMode() const { return m_nMode; }
    QLineEdit* GetNameEdit() const { return m_edit; }
    void SetNameText(const std::string& name);

private:
    void OnRename(const std::string& name);
    void OnNewForm(const std::string& name);
    void OnLoadedForm(const std::string& name);
    void RefuseName(const std::string& text, const std::string& caption);
    void AfterFormAdded();

    int m_nMode;
    std::string m_strInitialName;
    CFxRevPropStore m_formStore;
    QLineEdit* m_edit;
};
