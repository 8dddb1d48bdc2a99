// The standard variant enumerator over an owned snapshot of VARIANTs.
//
// The snapshot is built once and shared by the enumerator and its clones, so a
// clone delivers references to the same element objects. Statuses:
//   Next   E_POINTER for a null array, or a count other than 1 with a null
//          fetched-count; S_FALSE when fewer elements were left than wanted.
//   Skip   S_FALSE when the position reaches or passes the end (it stays there).
//   Reset  back to the first element, S_OK.
//   Clone  a new enumerator over the same snapshot at the same position.
#pragma once

#include <memory>
#include <vector>

#include "corvex/platform/com_ptr.h"
#include "corvex/platform/variant.h"

namespace corvex::platform {

using VariantSnapshot = std::shared_ptr<const std::vector<Variant>>;

// Creates the enumerator; answers null only when memory runs out.
ComPtr<IEnumVARIANT> make_snapshot_enumerator(VariantSnapshot items);

}  // namespace corvex::platform
