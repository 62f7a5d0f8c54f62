#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class DiscountSearch;
}

namespace qv {

// "99-Lissor", our stand-in for the suite's discount search: lists the
// discount kinds of tab_Desconto (code, description, percent). Enter or a
// double click hands the chosen code back as six digits in L-LINK
// characters 26-31; leaving any other way hands back "000000".
class DiscountSearch : public QDialog
{
    Q_OBJECT

public:
    explicit DiscountSearch(QWidget *parent = nullptr);
    ~DiscountSearch() override;

    Ui::DiscountSearch &ui() const { return *m_ui; }

    // Reads the discount kinds; false (after saying why) when they could
    // not be read.
    bool load();
    // The row under the cursor becomes the answer.
    void choose();
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::unique_ptr<Ui::DiscountSearch> m_ui;
};

// Registers "99-Lissor" (our stand-in for the suite's module) in the form registry.
void registerDiscountSearch();

} // namespace qv
