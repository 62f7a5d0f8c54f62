#pragma once

#include "tables/SplitService.h"
#include "tables/TransferService.h"

#include <QObject>

#include <memory>

class QGroupBox;

namespace Ui {
class TransferFrame;
}

namespace qv {

class CommandFrame;
class DeskContext;

// Splitting a blocked table's bill over other positions (99-Divide) and
// moving items to another table (Frm_NovaMesa): the cashier's side of
// SplitService and TransferService, on the desk's context alone.
class SplitTransfer : public QObject
{
public:
    explicit SplitTransfer(DeskContext &form);
    ~SplitTransfer() override;

    // "CONTA DIVIDIDA".
    void DIVIDIR();
    // F3: open the transfer frame for the selected item rows.
    void openTransfer();
    // Bt_TRANSFERE: move the selected items to the position in Ed_NOVAMES.
    void TRANSFERE();
    // Bt_VOLTA2: leave the frame without moving anything.
    void VOLTA2();

    Ui::TransferFrame &transferUi() const { return *m_transferUi; }
    QGroupBox *Frm_NovaMesa() const { return m_transferFrame; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void leaveTransfer();

    DeskContext &m_form;
    SplitService m_split;
    TransferService m_transfer;
    std::unique_ptr<Ui::TransferFrame> m_transferUi;
    QGroupBox *m_transferFrame = nullptr;
    CommandFrame *m_frame = nullptr;
};

} // namespace qv
