#pragma once
// CPageLanguage: the options page on which the user renames languages, sets
// their codes, reading order and flag pictures, and removes languages that
// no vocabulary list uses. Nothing reaches the database before Save.

#include "Quenzel/Shell/LanguageListModel.h"
#include "Quenzel/Shell/OptionsPage.h"

class CLanguageListCtrl;
class CWinButton;

constexpr UINT IDD_PAGE_LANGUAGE = 533;
constexpr UINT IDC_LANGUAGE_ADD = 11068;
constexpr UINT IDC_LANGUAGE_REMOVE = 11064;
constexpr UINT IDC_LANGUAGE_ICON = 11069;
constexpr UINT IDC_LANGUAGE_LIST = 11145;

class CPageLanguage : public COptionsPage {
    Q_OBJECT

public:
    CPageLanguage(const QuenzelServices& services, COptionsDialog* options, QWidget* parent);

    CLanguageListCtrl* GetList() const { return m_list; }
    CLanguageListModel& GetModel() { return m_model; }

    void OnAdd();
    void OnRemove();
    void OnChangeIcon();
    // Only when modified: writes the changes (CLanguageListModel::Apply) and
    // rebuilds the application's flag pictures from the database.
    // FALSE when the data file did not take the changes (the message was shown).
    BOOL Apply();

protected:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id) override;

private:
    CLanguageListModel m_model;
    CLanguageListCtrl* m_list = nullptr;
};
