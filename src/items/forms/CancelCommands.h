#pragma once

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
class MainForm;

// Cancelling items with a reason (Frm_MOT) and the waiter's delivery
// acknowledgement. Both act on the rows selected in Lv_Itens and end by
// reading the table again.
class CancelCommands
{
public:
    explicit CancelCommands(MainForm &form);
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
    static QString reasonEntry(int code, const QString &description);

private:
    void showReasonFrame();
    void hideReasonFrame();
    void confirm();
    void back();
    // The cancellation proper, over the selected rows.
    void cancelSelected(const QString &reason);
    // The acknowledgement proper, over the selected rows.
    void acknowledgeSelected();
    // idItem of every selected row, first to last; observation rows
    // (id 0) are no item and are left out.
    std::vector<std::int64_t> selectedItems() const;
    void reportFailure(const QString &what, std::int64_t idItem);
    bool handleFrameKey(QObject *watched, int key, bool backwards);

    MainForm &m_form;
    std::unique_ptr<Ui::ReasonFrame> m_ui;
    QFrame *m_frame = nullptr;
    CommandFrame *m_overlay = nullptr; // owned by m_frame
    QObject *m_keys = nullptr;
};

} // namespace qv
