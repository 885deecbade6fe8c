#pragma once
// KVX::CBinarySearchTree: the name counter of the unique file names. It
// counts how often each name was added; names compare exactly (case
// included).

#include <map>
#include <memory>
#include <string>

namespace KVX {

class CBinarySearchTree {
public:
    CBinarySearchTree();
    virtual ~CBinarySearchTree();
    CBinarySearchTree(const CBinarySearchTree&) = delete;
    CBinarySearchTree& operator=(const CBinarySearchTree&) = delete;

    // 1 when the name was new; otherwise how often it has now been added (2
    // for the second time, ...). A null name is an assertion report and 0.
    int Add(const wchar_t* name);
    void Clear();

private:
    std::unique_ptr<std::map<std::wstring, int>> m_counts;
};

} // namespace KVX
