#include "Pendrel/Dialogs/EULADlg.h"

#include <QPainter>
#include <QResizeEvent>

#include <iterator>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Controls/KVXHTMLCtrl.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\EULADlg";
constexpr int kLineRightPicture = 196;
constexpr int kLineLeftPicture = 204;

constexpr UINT kSeparator = 3000;
constexpr UINT kPlaceholder = 12000;
constexpr UINT kAgreementPage = 151;
constexpr UINT kRightPicture = 427;
constexpr UINT kLeftPicture = 428;

const KVXDialogControl kControls[] = {
    {kSeparator, WC_STATIC, L"", 7, 45, 546, 1, WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ},
    {IDOK, WC_BUTTON, L"Accept", 443, 337, 50, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {IDCANCEL, WC_BUTTON, L"Cancel", 503, 337, 50, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON},
    {kPlaceholder, WC_STATIC, L"", 7, 47, 546, 285, WS_CHILD},
};
const KVXDialogTemplate kTemplate = {553, L"End User License Agreement",
                                     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 560, 358, 8,
                                     L"MS Shell Dlg", kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

// A picture of Pendrel's PNG resources; a null image when it is missing.
QImage LoadPicture(UINT id, int line) {
    CKVXImage image(CKVXImage::ImageTypePng);
    if (!KVXLoadPng(KVXGetInstance(), id, image)) return QImage();
    QImage picture = KVXImageToQImage(image);
    ReportAssertion(!picture.isNull(), kSourceFile, line);
    return picture;
}

// The application object asks for the agreement with this dialog from the
// moment the library is loaded.
BOOL AskForAgreement() {
    CEULADlg dialog;
    return dialog.DoModal() == IDOK;
}

struct AgreementPromptRegistration {
    AgreementPromptRegistration() { KVXSetAgreementPrompt(&AskForAgreement); }
};
const AgreementPromptRegistration kAgreementPromptRegistration;

} // namespace

CEULADlg::CEULADlg(QWidget* parent) : CKVXResizableDlg(553, parent), m_icon(nullptr), m_html(nullptr) {
    m_html = new CKVXHTMLCtrl(kAgreementPage, this);
    if (CKVXApp* app = KVXGetApp()) m_icon = app->GetApplicationIcon(0);
}

CEULADlg::~CEULADlg() {
    delete m_icon;
}

BOOL CEULADlg::OnInitDialog() {
    m_rightPicture = LoadPicture(kRightPicture, kLineRightPicture);
    m_leftPicture = LoadPicture(kLeftPicture, kLineLeftPicture);
    BOOL result = CKVXResizableDlg::OnInitDialog();
    if (m_icon) setWindowIcon(QIcon(QPixmap::fromImage(KVXIconToQImage(m_icon))));
    m_separator = GetDlgItem(kSeparator);
    m_placeholder = GetDlgItem(kPlaceholder);
    AddResizableControls();
    m_html->Create(this);
    if (m_placeholder) m_html->setGeometry(m_placeholder->geometry());
    m_html->show();
    return result;
}

void CEULADlg::AddResizableControls() {
    m_resizableCtrls.clear();
    m_resizableCtrls.emplace_back(kSeparator, 0, RESIZE_KEEP_TOP | RESIZE_STRETCH_WIDTH);
    m_resizableCtrls.emplace_back(kPlaceholder, 0, RESIZE_STRETCH_WIDTH | RESIZE_STRETCH_HEIGHT);
    m_resizableCtrls.emplace_back(IDOK, 0, RESIZE_ANCHOR_RIGHT | RESIZE_ANCHOR_BOTTOM);
    m_resizableCtrls.emplace_back(IDCANCEL, 0, RESIZE_ANCHOR_RIGHT | RESIZE_ANCHOR_BOTTOM);
    CKVXResizableDlg::AddResizableControls();
}

void CEULADlg::OnGetMinMaxInfo(MINMAXINFO* info) {
    info->ptMinTrackSize.x = kMinimumWidth;
    info->ptMinTrackSize.y = kMinimumHeight;
    CKVXResizableDlg::OnGetMinMaxInfo(info);
}

BOOL CEULADlg::PreTranslateMessage(QObject* target, QEvent* event) {
    if (KVXIsContainedKey(target, event)) return TRUE;
    return CKVXResizableDlg::PreTranslateMessage(target, event);
}

void CEULADlg::resizeEvent(QResizeEvent* event) {
    CKVXResizableDlg::resizeEvent(event);
    update();
    if (m_placeholder && m_html->IsCreated()) m_html->setGeometry(m_placeholder->geometry());
}

void CEULADlg::PaintLogo(QPainter& painter, const QRect& header) {
    painter.fillRect(header, Qt::white);
    painter.drawImage(header.topLeft(), m_leftPicture);
    painter.drawImage(QPoint(header.right() + 1 - m_rightPicture.width(), header.top()), m_rightPicture);
}

void CEULADlg::paintEvent(QPaintEvent* event) {
    CKVXResizableDlg::paintEvent(event);
    if (!m_separator || m_leftPicture.isNull() || m_rightPicture.isNull()) return;
    const QRect header(0, 0, width(), m_separator->y());
    if (header.isEmpty()) return;
    // The header is drawn off screen whole, then copied.
    QImage buffer(header.size(), QImage::Format_RGB32);
    {
        QPainter memory(&buffer);
        PaintLogo(memory, QRect(QPoint(0, 0), header.size()));
    }
    QPainter painter(this);
    painter.drawImage(header.topLeft(), buffer);
}
