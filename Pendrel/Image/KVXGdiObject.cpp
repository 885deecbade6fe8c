#include "Pendrel/Image/KVXGdiObject.h"

CKVXGdiObject::~CKVXGdiObject() = default;
