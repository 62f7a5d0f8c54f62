#pragma once

#include "items/CancelService.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class QFrame;
class QObject;

namespace Ui {
class ReasonFrame;
}

namespace qv {

class CommandFrame;
class DeskContext;

// The screen of cancelling items with a reason (Frm_MOT) and of the
// waiter's delivery acknowledgement: takes the cashier's choices, hands
// them to the cancel service with the items selected on the table shown,
// and tells what it did.
class CancelCommands
{
public:
    explicit CancelCommands(DeskContext &desk);
    ~CancelCommands();

    // Start-up: the reason list of Cb_MOTICAN, from the session's list.
    void loadReasons();
    // DEL (from TECLA): opens the reason frame over the table area when a
    // table is shown and an item row is selected; its confirmation runs
    // the cancellation itself.
    void CANCITE();
    // F9 (from TECLA): checks the operator's right to acknowledge and
    // acknowledges the delivery of the selected item rows.
    void BAIXITE();

    // The reason frame and its controls (Frm_MOT, Cb_MOTICAN, ...).
    QFrame &reasonFrame() const { return *m_frame; }
    Ui::ReasonFrame &reasonUi() const { return *m_ui; }

    // A Cb_MOTICAN entry: 30-character description, 7 blanks, 3-digit code.
    // The whole code rides along as the entry's data.
    static QString reasonEntry(int code, const QString &description);

private:
    void showReasonFrame();
    void hideReasonFrame();
    void confirm();
    void back();
    // The cancellation proper, over the selected rows.
    void cancelSelected(int reasonCode);
    bool handleFrameKey(QObject *watched, int key, bool backwards);

    DeskContext &m_desk;
    CancelService m_service;
    std::unique_ptr<Ui::ReasonFrame> m_ui;
    QFrame *m_frame = nullptr;
    CommandFrame *m_overlay = nullptr; // owned by m_frame
    QObject *m_keys = nullptr;
};

} // namespace qv
