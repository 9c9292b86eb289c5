#pragma once

#include <QDialog>

#include <memory>

#include "td7/transfers/Transfers.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace editor {

class THelpWindow;

// `fmProgress`: shown while records go out. The bar starts over when it passes its range
// (Transmit All fills it once per patch); the count field counts every record sent.
class TfmProgress : public QDialog, public td7::TTransferProgress {
    Q_OBJECT
  public:
    // helpDir: where F1 looks for the help file first (the program's folder).
    explicit TfmProgress(QString helpDir = {}, QWidget* parent = nullptr);
    ~TfmProgress() override;

    // Sets the bar's range, resets count and cancel request, and shows the window.
    void Start(int range);
    void Step() override;
    // A checked transfer's next stage: its own label and count, the bar set to its range.
    void BeginPhase(td7::TTransferPhase phase, int range) override;
    bool CancelRequested() const override { return m_cancel; }
    // A fast transmission: the count field counts every record sent (again ones too), and a
    // line under it tells how many are verified and the pace now.
    void FastCounts(int sent, int verified, int paceMs) override;
    int SentCount() const { return m_sent; }

    QProgressBar* ProgressBar1() const { return m_bar; }
    QPushButton* btnCancel() const { return m_cancelButton; }
    QLineEdit* edCount() const { return m_count; }
    QLabel* lbFast() const { return m_fastLine; }

  protected:
    // Escape asks to cancel; the window itself closes when the transfer ends.
    void reject() override;
    void changeEvent(QEvent* event) override;

  private:
    void btnCancelClick();
    // The places of the standard font; a larger font pushes them apart as far as needed.
    void Arrange();

    QString m_helpDir;
    QLabel* m_label;
    QLineEdit* m_count;
    QLabel* m_fastLine;
    QProgressBar* m_bar;
    QPushButton* m_cancelButton;
    int m_sent = 0;
    bool m_cancel = false;
    std::unique_ptr<THelpWindow> m_help;  // F1: the page on requests and transmissions
};

}  // namespace editor
