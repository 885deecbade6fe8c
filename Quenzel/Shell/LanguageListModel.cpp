#include "Quenzel/Shell/LanguageListModel.h"

#include <QFile>

#include <algorithm>

#include "DataBase/AbstractDataBase.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXText.h"
#include "Quenzel/App/DataBaseCall.h"
#include "utility/ErrorReport.h"
#include "utility/UnicodeCase.h"

namespace {

const char kSourceFile[] = ".\\PageLanguage";
// A flag is a small picture; a larger file is refused before it is read.
constexpr qint64 kMaxFlagFileSize = 16 * 1024 * 1024;

int LanguageId(const GridRow& row) { return static_cast<int>(row.third.m_value); }

CGridListCtrl_Data& Cell(GridRow& row, int column) {
    return column == CLanguageListModel::ColumnCode ? row.fourth : row.third;
}

} // namespace

void CLanguageListModel::Load(const std::vector<LanguageRecord>& languages, const std::map<int, QImage>& flags) {
    m_rows.clear();
    m_removed.clear();
    m_flags = flags;
    for (const LanguageRecord& language : languages) {
        auto row = std::make_unique<GridRow>();
        row->third.m_value = static_cast<ULONGLONG>(language.id);
        row->third.m_text = language.name;
        row->third.m_secondText = language.name;
        row->fourth.m_text = language.code;
        row->fourth.m_secondText = language.code;
        if (language.rightToLeft) row->flags |= GRIDROW_RIGHT_TO_LEFT;
        m_rows.push_back(std::move(row));
    }
}

GridRow* CLanguageListModel::GetRow(int index) const {
    return index >= 0 && index < GetCount() ? m_rows[static_cast<size_t>(index)].get() : nullptr;
}

GridRow* CLanguageListModel::AddRow(const wchar_t* name, const wchar_t* code) {
    auto row = std::make_unique<GridRow>();
    row->third.m_text = name ? name : L"";
    row->fourth.m_text = code ? code : L"";
    m_rows.push_back(std::move(row));
    return m_rows.back().get();
}

bool CLanguageListModel::SetText(GridRow& row, int column, const wchar_t* text) {
    CGridListCtrl_Data& cell = Cell(row, column);
    cell.m_text = text ? text : L"";
    return CompareTextNoCase(cell.m_text.GetString(), cell.m_secondText.GetString()) != 0;
}

void CLanguageListModel::ToggleRightToLeft(GridRow& row) { row.flags ^= GRIDROW_RIGHT_TO_LEFT; }

const QImage* CLanguageListModel::FindFlag(int languageId) const {
    auto found = m_flags.find(languageId);
    return found == m_flags.end() ? nullptr : &found->second;
}

bool CLanguageListModel::SetPicture(GridRow& row, const wchar_t* path, const QImage& image) {
    if (image.isNull()) return false;
    m_flags[LanguageId(row)] = image;
    row.secondText = path ? path : L"";
    return true;
}

QImage CLanguageListModel::LoadFlagFile(const wchar_t* path) {
    // The database keeps the file's bytes as the flag and the program
    // decodes them as PNG, so only a PNG file will do, whatever else the
    // image library could read.
    if (!path || !*path) return QImage();
    QFile file(KVXToQString(path));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFlagFileSize) return QImage();
    const QByteArray bytes = file.readAll();
    static const char kSignature[] = "\x89PNG\r\n\x1a\n";
    if (!bytes.startsWith(QByteArray(kSignature, 8))) return QImage();
    CKVXImage image(CKVXImage::ImageTypePng);
    if (!image.Decode(reinterpret_cast<const BYTE*>(bytes.constData()), static_cast<DWORD>(bytes.size()),
                      CKVXImage::ImageTypePng))
        return QImage();
    return KVXImageToQImage(image);
}

int CLanguageListModel::Remove(const std::vector<GridRow*>& rows, CAbstractDataBase& database,
                               CBasicString& blockedBy) {
    blockedBy.Empty();
    int removed = 0;
    for (GridRow* row : rows) {
        auto at = std::find_if(m_rows.begin(), m_rows.end(), [row](const auto& own) { return own.get() == row; });
        if (at == m_rows.end()) continue;
        const int id = LanguageId(*row);
        if (id == 0) continue;
        VocabularyListRecord list;
        list.fromLanguage = id;
        list.toLanguage = id;
        if (database.FindLanguage(list, kFindLanguageInLists) != DATABASE_NO_ROW) {
            blockedBy = row->third.m_text;
            break;
        }
        m_removed.push_back(id);
        m_rows.erase(at);
        ++removed;
    }
    return removed;
}

LanguageRecord CLanguageListModel::ToRecord(const GridRow& row) {
    LanguageRecord record;
    record.id = LanguageId(row);
    record.name = row.third.m_text;
    record.code = row.fourth.m_text;
    record.rightToLeft = (row.flags & GRIDROW_RIGHT_TO_LEFT) ? 1 : 0;
    return record;
}

bool CLanguageListModel::Apply(CAbstractDataBase& database) {
    bool stored = true;
    std::vector<int> kept;
    for (int id : m_removed) {
        const int result = CallDataBase([&] { return database.DeleteLanguage(id); });
        ReportAssertion(result == 0, kSourceFile, 286);
        // A removal the file did not take is tried again at the next apply.
        if (IsStorageFailure(result)) {
            kept.push_back(id);
            stored = false;
        }
    }
    m_removed = std::move(kept);

    for (const auto& row : m_rows) {
        const wchar_t* path = row->secondText.GetString();
        int result = DATABASE_FAILED;
        int line = 0;
        try {
            if (LanguageId(*row) != 0) {
                line = 346;
                result = database.UpdateLanguage(ToRecord(*row), path);
            } else {
                line = 324;
                int id = 0;
                result = database.AddLanguage(row->third.m_text.GetString(), row->fourth.m_text.GetString(),
                                              row->flags & GRIDROW_RIGHT_TO_LEFT, path, &id, 0);
                // Stored now: a later apply updates it instead of adding it again.
                if (result == 0 && id > 0) row->third.m_value = static_cast<ULONGLONG>(id);
            }
        } catch (DATABASE_RESULT code) {
            result = code == DATABASE_OK ? DATABASE_FAILED : code;
        }
        if (result != 0) {
            ReportAssertion(0, kSourceFile, line);
            if (IsStorageFailure(result)) stored = false;
            break;
        }
    }
    database.GetLanguages(1);
    return stored;
}
