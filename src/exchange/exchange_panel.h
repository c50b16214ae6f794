// The main window's side of the exchange: it creates the exchange component from the
// settings and keeps the state of the progress panel and the exchange buttons as plain
// data that the windows render.
//
// Contracts:
// - ConfigureExchange replaces the component with a fresh one (LastExportFolder starts
//   empty again). A component whose download is still on the stack is stopped (Busy
//   cleared, connection cut) and kept alive until the next ConfigureExchange or the
//   panel's destruction.
// - ShowExchangeMessage is installed as the component's OncsMessage; the windows render
//   State after each call (OnLabelChanged asks them to repaint the label at once).
// - OnPump is handed to every component created: the windows process their events there.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "exchange/cs_exchange.h"
#include "shell/list_options.h"
#include "shell/seams.h"

struct ExchangePanelState {
    bool pnlExchangeVisible = false;        // hidden at start
    std::string lblcsMsg;                   // the progress text, lines joined by CR
    bool btnExchangeCancelEnabled = false;  // "Остановить"
    bool btnGetNewPriceEnabled = true;
    bool btnGetNewPicturesEnabled = true;
    bool btnGetOnePictureEnabled = true;
};

class ExchangePanel {
public:
    explicit ExchangePanel(Prompts& prompts);
    ~ExchangePanel();
    ExchangePanel(const ExchangePanel&) = delete;
    ExchangePanel& operator=(const ExchangePanel&) = delete;

    // Creates a fresh exchange component configured from the settings and returns it.
    TcsExchange& ConfigureExchange(const TListOptions& options);
    // The current component; null before the first ConfigureExchange.
    TcsExchange* Exchange() { return m_exchange.get(); }

    void ShowExchangeMessage(const std::string& Msg);
    void btnExchangeCancelClick();

    ExchangePanelState State;
    std::function<void()> OnPump;
    std::function<void()> OnLabelChanged;

private:
    Prompts& m_prompts;
    std::unique_ptr<TcsExchange> m_exchange;
    std::vector<std::unique_ptr<TcsExchange>> m_retired;
};
