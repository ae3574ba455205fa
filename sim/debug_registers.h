#pragma once
// The register pages' batch read as a board answers it.

#include "le_bytes.h"

namespace qorsim {

// A query of 256 registers that names none (the address area all zero) is the register pages'
// batch read: the board reads registers 0 to 255 of the device, so their addresses go into the
// address area before the values are looked up. True when the body was such a read.
bool prepareBatchRead(qor::MutBytes body);

}  // namespace qorsim
