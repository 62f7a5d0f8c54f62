#pragma once

#include "platform/Record.h"
#include "platform/Sql.h"

#include <vector>

namespace qv {

// A whole catalogue as the suite's search modules list it, read through a
// cursor: every row, in the catalogue's order, up to a failure if one ended
// the list. The rows read before a failure are kept: a module may still
// show them, but must say the list is incomplete.
struct [[nodiscard]] CatalogueListing
{
    std::vector<Record> rows;
    SqlResult result; // ok, or the failure that ended the list
    bool failed() const { return result.failed(); }
};

namespace catalogue {

// Every discount kind (tab_Desconto), by code.
CatalogueListing discountKinds(Sql &sql);
// Every product (cad_Produtos), by description.
CatalogueListing products(Sql &sql);

} // namespace catalogue

} // namespace qv
