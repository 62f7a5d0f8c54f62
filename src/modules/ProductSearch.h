#pragma once

#include <QDialog>
#include <QString>

#include <memory>
#include <vector>

namespace Ui {
class ProductSearch;
}

namespace qv {

// "99-Tessup", our stand-in for the suite's product search: the whole
// catalogue (code, description, price charged, inactive mark), narrowed as
// the cashier types part of a description or a code. Read only: nothing is
// handed back to the caller.
class ProductSearch : public QDialog
{
    Q_OBJECT

public:
    explicit ProductSearch(QWidget *parent = nullptr);
    ~ProductSearch() override;

    Ui::ProductSearch &ui() const { return *m_ui; }

    // Reads the catalogue; false (after saying why) when it could not be read.
    bool load();
    // Shows the products whose description or code holds `text`; case and
    // accents do not matter ("file" finds "FILÉ").
    void applyFilter(const QString &text);

    // Text folded for the comparison: upper case, accents dropped.
    static QString folded(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Product
    {
        QString code;
        QString description;
        QString price;
        bool inactive;
        QString key; // folded description, for the filter
    };

    std::unique_ptr<Ui::ProductSearch> m_ui;
    std::vector<Product> m_products;
};

// Registers "99-Tessup" (our stand-in for the suite's module) in the form registry.
void registerProductSearch();

} // namespace qv
