#pragma once
// CAddTypeDialog: asks for the name and the short form (value) of a meaning
// type. OK takes both texts without white space at either end.

#include "Pendrel/Platform/KVXDialog.h"
#include "utility/BasicString.h"

constexpr UINT IDD_ADD_TYPE = 546;
constexpr UINT IDC_TYPE_NAME = 11233;
constexpr UINT IDC_TYPE_VALUE = 11234;

class CAddTypeDialog : public CKVXDialog {
    Q_OBJECT

public:
    // background: the dialog's colour.
    explicit CAddTypeDialog(COLORREF background = 0xFFFFFF, QWidget* parent = nullptr);

    void SetName(const CBasicString& name) { m_name = name; }
    void SetValue(const CBasicString& value) { m_value = value; }
    const CBasicString& GetName() const { return m_name; }
    const CBasicString& GetValue() const { return m_value; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    COLORREF m_background;
    CBasicString m_name;
    CBasicString m_value;
};
