#pragma once

// A progress line on standard error, redrawn in place: "<count>/<total> <text>" or
// "<text> <count>/<total>". It redraws only when the whole percentage moves, so that a
// log file of it stays short.

#include <functional>
#include <iosfwd>
#include <string>

#include "td7/transfers/Transfers.h"

namespace cli {

class TProgressLine : public td7::TTransferProgress {
  public:
    // `format` holds "%n" where "count/total" goes.
    TProgressLine(std::ostream& out, std::string format, int total);
    ~TProgressLine() override;

    void Step() override { Set(m_count + 1); }
    bool CancelRequested() const override { return m_cancel && m_cancel(); }
    // Asked after each step whether to stop; nothing stops the line's transfer without it.
    void SetCancel(std::function<bool()> cancel) { m_cancel = std::move(cancel); }
    void Set(int count);
    int Count() const { return m_count; }
    // Shows the final count and ends the line; also done when the line goes.
    void Finish();

  private:
    void Draw();

    std::ostream& m_out;
    std::string m_format;
    int m_total;
    std::function<bool()> m_cancel;
    int m_count = 0;
    int m_shownCount = -1;
    int m_shownPercent = -1;
    bool m_open = false;
};

}  // namespace cli
