// Decompression of the lists and differences the update servers deliver.
#pragma once

#include "client/update/signature_db.h"

namespace karvex {

// Decodes `source` into the new file `destination`. The source is a gzip
// stream (deflate only; its first member, checked against the trailer's
// CRC-32 and length) or a PKZIP archive (its first entry, stored or deflated,
// not encrypted, checked against the local header or the data descriptor).
// Fails when `destination` already exists, on more than 256 MB of output, and
// once `running` (if given) drops to 0; a failure leaves no destination.
bool GunzipFile(const char* source, const char* destination, const RunningFlag* running = nullptr);

}  // namespace karvex
