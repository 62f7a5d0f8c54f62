#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class QComboBox;
class QGroupBox;
class QWidget;

namespace Ui {
class PrintMenu;
class PrinterTest;
} // namespace Ui

namespace qv {

class CommandFrame;
class MainForm;

// The print menu Frm_IMP (bill request, item and comanda reprints) and the
// printer test. The reprints are requests recorded on the items; the
// printing side of the suite carries them out.
class PrintCommands : public QObject
{
public:
    explicit PrintCommands(MainForm &form);
    ~PrintCommands() override;

    // Start-up: the printer list of Cb_TESTEIMP.
    void loadPrinters();
    // F1: open the print menu.
    void openPrintMenu();
    // "TESTAR IMPRESSORA".
    void TESTEIMP();

    // The buttons of the menu; each leaves the menu first.
    void IMPCTA(); // "CONTA"
    void IMPPRO(); // "PRODUTO"
    void IMPCMD(); // "COMANDA"
    void VOLTA();  // "VOLTAR"

    Ui::PrintMenu &menu() const { return *m_menuUi; }
    QGroupBox *Frm_IMP() const { return m_menu; }
    QComboBox *Cb_TESTEIMP() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct SelectedItem
    {
        std::int64_t idItem = 0;
        std::int64_t comanda = 0; // column "Comanda" taken as 6 digits
    };
    // The selected rows of Lv_Itens among rows 1 to Ds_TOTITENS.
    std::vector<SelectedItem> selectedItems() const;
    void leaveMenu();
    void reportFailure(const QString &state);

    MainForm &m_form;
    std::unique_ptr<Ui::PrintMenu> m_menuUi;
    std::unique_ptr<Ui::PrinterTest> m_testUi;
    QGroupBox *m_menu = nullptr;
    QWidget *m_testControls = nullptr;
    CommandFrame *m_frame = nullptr;
};

} // namespace qv
