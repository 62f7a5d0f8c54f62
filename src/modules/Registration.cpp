#include "modules/Registration.h"

#include "tables/OpenTable.h"
#include "tables/TableChooser.h"

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
    registerTableChooser(); // 99-Mesa
    registerOpenTable();    // 99-AbreMesa
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
