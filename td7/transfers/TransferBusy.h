#pragma once

// Inside td7/ only: the busy mark that every transfer command of TTransfers holds.

#include "td7/transfers/Transfers.h"

namespace td7 {

// Marks the transfers busy for one command and refuses a second one meanwhile: the waits
// handle window events, so a menu command could otherwise start inside another.
class TTransfers::BusyScope {
  public:
    // `sending`: records go to the module, whose own dumps must not reach the mirror
    // meanwhile (the mirror's data are what is being sent).
    explicit BusyScope(TTransfers& owner, bool sending = false) : m_owner(owner) {
        if (m_owner.m_busy) throw TransferError("Another transfer is still running");
        m_owner.m_sentSinceProbe = 0;
        // Each transfer counts its own dumps: a request right after another (quick in fast
        // mode) would otherwise go on from the other's count.
        m_owner.m_receivedCount = 0;
        m_owner.m_sending = sending;
        Set(true);
    }
    ~BusyScope() {
        m_owner.m_sending = false;
        Set(false);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    void Set(bool busy) {
        m_owner.m_busy = busy;
        if (m_owner.OnBusyChange) m_owner.OnBusyChange(&m_owner, busy);
    }
    TTransfers& m_owner;
};

}  // namespace td7
