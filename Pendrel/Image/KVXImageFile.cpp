#include "Pendrel/Image/KVXImageFile.h"

bool CKVXImageFile::PutC(unsigned char c) {
    return Write(&c, 1, 1) == 1;
}
