#include "Quenzel/Dictionary/MeanTypes.h"

#include "Quenzel/App/DataBaseCall.h"
#include "Quenzel/App/QuenzelApp.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\EditDictionaryDlg";

struct DefaultType {
    UINT name;
    UINT value;
};
const DefaultType kDefaults[] = {{31257, 31194}, {31258, 31259}, {31260, 31261}, {31262, 31263}};

} // namespace

std::vector<MeanTypeRecord> CMeanTypes::Defaults() {
    std::vector<MeanTypeRecord> types;
    for (const DefaultType& type : kDefaults) {
        MeanTypeRecord record;
        record.name = QuenzelString(type.name);
        record.value = QuenzelString(type.value);
        types.push_back(record);
    }
    return types;
}

std::vector<MeanTypeRecord> CMeanTypes::Load(CAbstractDataBase& database) {
    std::vector<MeanTypeRecord> types;
    CAbstractRecordSet* set = database.QueryMeanTypes();
    if (set) {
        for (; !set->IsEOF(); set->MoveNext()) {
            MeanTypeRecord type;
            if (set->GetInt(0, type.id) != DATABASE_OK) ReportAssertion(0, kSourceFile, __LINE__);
            set->GetText(1, type.name);
            set->GetText(2, type.value);
            types.push_back(type);
        }
        database.ReleaseRecordSet(set);
    }
    if (!types.empty()) return types;
    for (MeanTypeRecord& type : Defaults()) {
        // A default the file does not take is still offered in the window.
        if (CallDataBase([&] { return database.AddMeanType(type); }) != DATABASE_OK)
            ReportAssertion(0, kSourceFile, __LINE__);
        types.push_back(type);
    }
    return types;
}

CBasicString CMeanTypes::EntryText(const MeanTypeRecord& type) {
    CBasicString text = type.name;
    text += L" (";
    text += type.value;
    text += L")";
    return text;
}

CBasicString CMeanTypes::Trimmed(const CBasicString& text) {
    CBasicString trimmed = text;
    trimmed.TrimLeft();
    trimmed.TrimRight();
    return trimmed;
}
