#include "modules/ProductSearch.h"
#include "platform/ui/Desk.h"

#include "data/Catalogues.h"
#include "data/Status.h"
#include "platform/Record.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"
#include "ui_ProductSearch.h"

#include <QKeyEvent>

namespace qv {

namespace {} // namespace

ProductSearch::ProductSearch(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::ProductSearch>())
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("99-Tessup"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    QTreeWidget *list = m_ui->Lv_Produtos;
    list->setColumnWidth(0, 80);
    list->setColumnWidth(1, 360);
    list->setColumnWidth(2, 90);
    list->headerItem()->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    list->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    connect(m_ui->Ed_FILTRO, &QLineEdit::textChanged, this, &ProductSearch::applyFilter);
    connect(m_ui->Bt_Sair, &QPushButton::clicked, this, &ProductSearch::reject);
    m_ui->Ed_FILTRO->installEventFilter(this);
    list->installEventFilter(this);
}

ProductSearch::~ProductSearch() = default;

QString ProductSearch::folded(const QString &text)
{
    QString result;
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    result.reserve(decomposed.size());
    for (QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            result.append(c.toUpper());
    }
    return result;
}

bool ProductSearch::load()
{
    m_products.clear();
    const CatalogueListing products = catalogue::products(desk::sql());
    if (products.failed())
        UiService::instance().message(
            this, QStringLiteral("Erro %1 na leitura dos produtos !!!").arg(products.result.state()), style::kStop);
    for (const Record &row : products.rows) {
        const QString description = row.text("descricao").trimmed();
        m_products.push_back({QStringLiteral("%1").arg(row.integer("idProduto"), 6, 10, QLatin1Char('0')), description,
                              row.num("valorVenda").toDisplay(2), holds(row.text("inativo"), Flag::Yes),
                              folded(description)});
    }
    const bool ok = !products.failed();
    applyFilter(m_ui->Ed_FILTRO->text());
    m_ui->Ed_FILTRO->setFocus(Qt::OtherFocusReason);
    return ok;
}

void ProductSearch::applyFilter(const QString &text)
{
    const QString wanted = folded(text.trimmed());
    QTreeWidget *list = m_ui->Lv_Produtos;
    list->clear();
    int shown = 0;
    for (const Product &p : m_products) {
        if (!wanted.isEmpty() && !p.key.contains(wanted) && !p.code.contains(wanted))
            continue;
        auto *row = new QTreeWidgetItem(list);
        row->setText(0, p.code);
        row->setText(1, p.description);
        row->setText(2, p.price);
        row->setText(3, p.inactive ? QStringLiteral("Inativo") : QString());
        row->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        if (p.inactive) {
            for (int c = 0; c < 4; ++c)
                row->setForeground(c, QBrush(QColor(0x9d, 0x02, 0x08)));
        }
        ++shown;
    }
    m_ui->Lb_CONTA->setText(shown == 1 ? QStringLiteral("1 produto") : QStringLiteral("%1 produtos").arg(shown));
}

bool ProductSearch::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = virtualKey(*static_cast<QKeyEvent *>(event));
        QTreeWidget *list = m_ui->Lv_Produtos;
        if (watched == m_ui->Ed_FILTRO && (key == vk::kDown || key == vk::kEnter) && list->topLevelItemCount() > 0) {
            list->setFocus(Qt::OtherFocusReason);
            list->setCurrentItem(list->topLevelItem(0));
            return true;
        }
        if (watched == list && key == vk::kUp && list->currentItem() == list->topLevelItem(0)) {
            m_ui->Ed_FILTRO->setFocus(Qt::OtherFocusReason);
            return true;
        }
        // Enter only moves around: there is nothing to hand back.
        if (key == vk::kEnter)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void registerProductSearch()
{
    FormRegistry::instance().add(QStringLiteral("99-Tessup"), [](QWidget *parent) {
        ProductSearch dialog(parent);
        dialog.load();
        return dialog.exec();
    });
}

} // namespace qv
