#include "Pendrel/Core/GridListCtrl_Data.h"

CGridListCtrl_Data::CGridListCtrl_Data() : m_value(0) {}

CGridListCtrl_Data::CGridListCtrl_Data(const CGridListCtrl_Data& other)
    : m_value(other.m_value), m_text(other.m_text), m_secondText(other.m_secondText) {}

CGridListCtrl_Data& CGridListCtrl_Data::operator=(const CGridListCtrl_Data& other) {
    if (this == &other) return *this;
    m_value = other.m_value;
    m_text = other.m_text;
    m_secondText = other.m_secondText;
    return *this;
}

CGridListCtrl_Data::~CGridListCtrl_Data() = default;
