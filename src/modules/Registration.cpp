#include "modules/Registration.h"

#include "board/forms/ConnectionDialog.h"
#include "modules/DiscountSearch.h"
#include "modules/Management.h"
#include "modules/Payment.h"
#include "modules/ProductSearch.h"
#include "modules/Reports.h"
#include "tables/forms/OpenTable.h"
#include "tables/forms/SplitDialog.h"
#include "tables/forms/TableChooser.h"

#include <QApplication>
#include <QFile>
#include <QStyleFactory>

static void initResourcesOutsideNamespace()
{
    Q_INIT_RESOURCE(resources);
}

namespace qv {

void registerAllForms()
{
    registerTableChooser();     // 99-Mesa
    registerOpenTable();        // 99-AbreMesa
    registerSplitDialog();      // 99-Divide
    registerDiscountSearch();   // 99-Lissor
    registerProductSearch();    // 99-Tessup
    registerPayment();          // 99-Fennoc
    registerReports();          // 15-Pemrick
    registerManagement();       // 05-Olvant
    registerConnectionDialog(); // Conexao
}

void initCoreResources()
{
    initResourcesOutsideNamespace();
}

void applyStyle()
{
    qApp->setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFile sheet(QStringLiteral(":/style/quorvel.qss"));
    if (sheet.open(QIODevice::ReadOnly))
        qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
}

} // namespace qv
