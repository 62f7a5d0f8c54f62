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

#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QProxyStyle>
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

namespace {

// The row the arrows stand on in a list wears a strong dark frame. Fusion
// marks it with a dotted line that a cashier does not see across the
// counter; a selected row is already shaded, so the frame tells the cursor
// apart from the selection.
class DeskStyle : public QProxyStyle
{
public:
    DeskStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        // A tree view draws its current row's frame without naming itself.
        if (element == PE_FrameFocusRect
            && (!widget || qobject_cast<const QAbstractItemView *>(widget)
                || qobject_cast<const QAbstractItemView *>(widget->parentWidget()))) {
            painter->save();
            painter->setPen(QPen(QColor(0x2f, 0x3e, 0x46), 2));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(option->rect.adjusted(1, 1, -1, -1));
            painter->restore();
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

} // namespace

void applyStyle()
{
    qApp->setStyle(new DeskStyle);
    QFile sheet(QStringLiteral(":/style/quorvel.qss"));
    if (sheet.open(QIODevice::ReadOnly))
        qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
}

} // namespace qv
