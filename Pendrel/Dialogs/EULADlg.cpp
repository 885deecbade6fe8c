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

} // namespace

CEULADlg::CEULADlg(QWidget* parent) : CKVXDialog(553, parent), m_icon(nullptr), m_html(nullptr) {
    m_html = new CKVXHTMLCtrl(kAgreementPage, this);
    if (CKVXApp* app = KVXGetApp()) m_icon = app->GetApplicationIcon(0);
}

CEULADlg::~CEULADlg() {
    delete m_icon;
}

BOOL CEULADlg::OnInitDialog() {
    m_rightPicture = LoadPicture(kRightPicture, kLineRightPicture);
    m_leftPicture = LoadPicture(kLeftPicture, kLineLeftPicture);
    BOOL result = CKVXDialog::OnInitDialog();
    if (m_icon) setWindowIcon(QIcon(QPixmap::fromImage(KVXIconToQImage(m_icon))));
    m_separator = GetDlgItem(kSeparator);
    m_placeholder = GetDlgItem(kPlaceholder);
    AddResizableControls();
    // The template's size may lie below the minimum: the controls follow.
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    m_html->Create(this);
    if (m_placeholder) m_html->setGeometry(m_placeholder->geometry());
    m_html->show();
    KVXKeepEnterAndEscape(this, this);
    LayOut();
    return result;
}

void CEULADlg::AddResizableControls() {
    m_anchors.clear();
    m_startSize = size();
    const std::pair<UINT, Anchor> anchors[] = {
        {kSeparator, StretchWidth}, {kPlaceholder, StretchBoth}, {IDOK, FollowLowerRight}, {IDCANCEL, FollowLowerRight}};
    for (const auto& [id, anchor] : anchors)
        if (QWidget* control = GetDlgItem(id)) m_anchors.push_back({id, anchor, control->geometry()});
}

void CEULADlg::LayOut() {
    if (m_anchors.empty()) return;
    const int dx = width() - m_startSize.width();
    const int dy = height() - m_startSize.height();
    for (const AnchoredControl& anchored : m_anchors) {
        QWidget* control = GetDlgItem(anchored.id);
        if (!control) continue;
        QRect place = anchored.start;
        switch (anchored.anchor) {
        case StretchWidth: place.setWidth(place.width() + dx); break;
        case StretchBoth: place.setSize(place.size() + QSize(dx, dy)); break;
        case FollowLowerRight: place.translate(dx, dy); break;
        }
        control->setGeometry(place);
    }
    if (m_placeholder && m_html->IsCreated()) m_html->setGeometry(m_placeholder->geometry());
    update();
}

void CEULADlg::resizeEvent(QResizeEvent* event) {
    CKVXDialog::resizeEvent(event);
    LayOut();
}

void CEULADlg::PaintLogo(QPainter& painter, const QRect& header) {
    painter.fillRect(header, Qt::white);
    painter.drawImage(header.topLeft(), m_leftPicture);
    painter.drawImage(QPoint(header.right() + 1 - m_rightPicture.width(), header.top()), m_rightPicture);
}

void CEULADlg::paintEvent(QPaintEvent* event) {
    CKVXDialog::paintEvent(event);
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

bool CEULADlg::eventFilter(QObject* watched, QEvent* event) {
    return KVXIsContainedKey(watched, event) || CKVXDialog::eventFilter(watched, event);
}
