#include "modules/Registration.h"

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
