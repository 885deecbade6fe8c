#include "Quenzel/Dictionary/EditAutoSearch.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>

#include "DataBase/AbstractDataBase.h"
#include "Pendrel/Platform/KVXDialog.h"
#include "Pendrel/Platform/KVXDialogControls.h"
#include "Pendrel/Platform/KVXText.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/App/QuenzelApp.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\EditAutoSearch";

bool NavigationKey(int key, CAutoSearchModel::Key& out) {
    switch (key) {
    case Qt::Key_PageUp: out = CAutoSearchModel::KEY_PAGE_UP; return true;
    case Qt::Key_PageDown: out = CAutoSearchModel::KEY_PAGE_DOWN; return true;
    case Qt::Key_Home: out = CAutoSearchModel::KEY_HOME; return true;
    case Qt::Key_End: out = CAutoSearchModel::KEY_END; return true;
    case Qt::Key_Up: out = CAutoSearchModel::KEY_UP; return true;
    case Qt::Key_Down: out = CAutoSearchModel::KEY_DOWN; return true;
    default: return false;
    }
}

} // namespace

CEditAutoSearch::CEditAutoSearch(QWidget* parent) : CKVXWnd<QLineEdit>(parent) {
    connect(this, &QLineEdit::textChanged, this, [this] { OnTextChanged(); });
}

CEditAutoSearch::~CEditAutoSearch() = default;

void CEditAutoSearch::Attach(UINT dialogId, BYTE side) {
    m_side = side;
    if (m_attached) return;
    m_dialogId = dialogId;
    m_kind = KIND_EDIT;
    if (auto* combo = qobject_cast<QComboBox*>(parentWidget())) {
        // The combo box sees its keys before its edit does.
        m_kind = KIND_COMBOBOX;
        combo->installEventFilter(this);
    }
    m_popup.SetOwner(this, OwnerDialog());
    m_attached = true;
}

int CEditAutoSearch::AddHistoryItem(const wchar_t* text, int64_t id) {
    ReportAssertion(m_attached && text, kSourceFile, 96);
    if (!m_attached || !text) return 0;
    return m_popup.GetModel().AddHistoryItem(text, id);
}

std::vector<std::wstring> CEditAutoSearch::GetHistoryTexts() const { return m_popup.GetModel().GetHistoryTexts(); }

void CEditAutoSearch::ClearSuggestions() {
    ReportAssertion(m_attached, kSourceFile, 114);
    if (!m_attached) return;
    m_popup.GetModel().ClearSuggestions();
    m_popup.GetModel().ClearHistory();
}

void CEditAutoSearch::ShowHistory(int on) {
    if (!on) {
        m_popup.HidePopup();
        return;
    }
    m_popup.GetModel().SuggestHistory();
    m_popup.ShowFiltered(-1, std::wstring());
}

void CEditAutoSearch::OnTextChanged() {
    if (m_navigating) return;
    ReportAssertion(m_attached, kSourceFile, 170);
    if (!m_attached) return;
    const std::wstring typed = KVXFromQString(text()).GetString();
    if (typed.empty()) {
        m_historyShown = true;
        ShowHistory(1);
    } else {
        m_historyShown = false;
        if (CAbstractDataBase* dataBase = DataBase()) {
            CAbstractRecordSet* set =
                dataBase->Search(typed.c_str(), m_side ? SEARCH_FIRST_LANGUAGE_PREFIX : SEARCH_SECOND_LANGUAGE_PREFIX, 0, 0);
            if (set) {
                CAutoSearchModel& model = m_popup.GetModel();
                CBasicString suggestion;
                for (; !set->IsEOF(); set->MoveNext()) {
                    int64_t id = 0;
                    if (set->GetInt64(0, id) != DATABASE_OK) {
                        ReportAssertion(0, kSourceFile, 201);
                        continue;
                    }
                    set->GetText(1, suggestion);
                    model.AddSuggestion(suggestion.GetString(), id);
                }
                dataBase->ReleaseRecordSet(set);
                m_popup.ShowFiltered(-1, typed);
            }
        }
    }
    if (QWidget* owner = OwnerDialog()) SendMessage(owner, WM_USER, kAutoSearchTextChanged, KVXGetDlgCtrlID(this));
}

void CEditAutoSearch::Accept(int64_t* pickedId) {
    QWidget* owner = OwnerDialog();
    if (!owner) return;
    if (m_dialogId == kAutoSearchDictionaryPage)
        PostMessage(owner, WM_COMMAND, kAutoSearchSearchCommand, 0);
    else if (m_dialogId == kAutoSearchWordEditor && pickedId)
        SendMessage(owner, WM_KVX_AUTOSEARCH_PICKED, m_side, reinterpret_cast<LPARAM>(pickedId));
}

void CEditAutoSearch::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        m_popup.HidePopup();
        event->accept();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        m_popup.HidePopup();
        // Without a row chosen there is no word to hand over.
        const int row = m_popup.GetModel().GetLastSelection();
        m_acceptedId = m_popup.GetModel().GetRowId(row);
        Accept(row >= 0 ? &m_acceptedId : nullptr);
        event->accept();
        return;
    }
    CAutoSearchModel::Key navigation;
    if (m_popup.isVisible() && NavigationKey(key, navigation)) {
        m_navigating = true;
        const CAutoSearchModel::Navigation result = m_popup.Navigate(navigation);
        if (result.setsFieldText) setText(KVXToQString(result.text.c_str()));
        m_navigating = false;
        event->accept();
        return;
    }
    CKVXWnd<QLineEdit>::keyPressEvent(event);
}

bool CEditAutoSearch::eventFilter(QObject* watched, QEvent* event) {
    if (m_kind != KIND_COMBOBOX || watched != parentWidget()) return CKVXWnd<QLineEdit>::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        // The drop-down list opens: the pop-up gives way.
        m_popup.HidePopup();
    } else if (event->type() == QEvent::KeyPress && m_popup.isVisible()) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            keyPressEvent(key);
            return true;
        default:
            break;
        }
    }
    return CKVXWnd<QLineEdit>::eventFilter(watched, event);
}

void CEditAutoSearch::focusOutEvent(QFocusEvent* event) {
    // A window system that activates the pop-up anyway takes the focus only
    // for a moment: the pop-up hands it back.
    if (QApplication::activeWindow() != &m_popup) m_popup.HidePopup();
    CKVXWnd<QLineEdit>::focusOutEvent(event);
}

LRESULT CEditAutoSearch::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_KVX_AUTOSEARCH_CHOICE) return CKVXWnd<QLineEdit>::WindowProc(message, wParam, lParam);
    if (wParam != kAutoSearchClick) return 0;
    const CAutoSearchModel& model = m_popup.GetModel();
    m_navigating = true;
    setText(KVXToQString(model.GetRowText(model.GetSelection()).c_str()));
    m_navigating = false;
    Accept(reinterpret_cast<int64_t*>(lParam));
    return 0;
}

QWidget* CEditAutoSearch::OwnerDialog() const {
    for (QWidget* widget = parentWidget(); widget; widget = widget->parentWidget())
        if (qobject_cast<CKVXDialog*>(widget)) return widget;
    return nullptr;
}

CAbstractDataBase* CEditAutoSearch::DataBase() const { return m_dataBase; }
