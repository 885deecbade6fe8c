#include "Pendrel/Image/KVXDeviceContext.h"

CKVXDeviceContext::~CKVXDeviceContext() = default;
