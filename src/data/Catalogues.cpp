#include "data/Catalogues.h"

#include "data/Statements.h"
#include "data/Tables.h"

#include <string_view>

namespace qv::catalogue {

namespace {

CatalogueListing readAll(Sql &sql, const char *cursor, std::string_view text, const Layout &layout)
{
    CatalogueListing listing;
    listing.result = sql.open(cursor, text);
    if (listing.result.failed())
        return listing;
    Record row(layout);
    for (;;) {
        const SqlResult &fetched = sql.fetch(cursor, row);
        if (fetched.noRow())
            break;
        if (!fetched.ok()) {
            listing.result = fetched;
            break;
        }
        listing.rows.push_back(row);
    }
    sql.close(cursor);
    return listing;
}

} // namespace

CatalogueListing discountKinds(Sql &sql)
{
    return readAll(sql, "CURLISSOR", stmt::kDiscountKinds, tables::tabDesconto);
}

CatalogueListing products(Sql &sql)
{
    return readAll(sql, "CURTESSUP", stmt::kProductCatalogue, tables::cadProdutos);
}

} // namespace qv::catalogue
