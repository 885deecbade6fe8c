#include "utility/BinarySearchTree.h"

#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\UniqueFileName";

} // namespace

namespace KVX {

CBinarySearchTree::CBinarySearchTree() : m_counts(std::make_unique<std::map<std::wstring, int>>()) {}

CBinarySearchTree::~CBinarySearchTree() { Clear(); }

int CBinarySearchTree::Add(const wchar_t* name) {
    ReportAssertion(name != nullptr, kSourceFile, __LINE__);
    if (!name) return 0;
    return ++(*m_counts)[name];
}

void CBinarySearchTree::Clear() { m_counts->clear(); }

} // namespace KVX
