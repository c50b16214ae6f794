#include "exchange/exchange_panel.h"

#include "platform/text/text.h"

ExchangePanel::ExchangePanel(Prompts& prompts) : m_prompts(prompts) {}

ExchangePanel::~ExchangePanel() = default;

TcsExchange& ExchangePanel::ConfigureExchange(const TListOptions& options) {
    // Freeing a component while one of its downloads waits below us on the stack would
    // pull the object out from under it; such a one is retired instead. Its download is
    // stopped as freeing would stop it (the connection is cut, the picture loop ends), so
    // that no download goes on unseen by the panel, which now follows the new component.
    std::erase_if(m_retired, [](const auto& e) { return !e->Running(); });
    if (m_exchange) {
        if (m_exchange->Running()) {
            m_exchange->Busy = false;
            try {
                m_exchange->Disconnect();
            } catch (...) {
            }
            m_retired.push_back(std::move(m_exchange));
        } else {
            m_exchange.reset();  // the destructor ignores its own errors
        }
    }
    m_exchange = std::make_unique<TcsExchange>(m_prompts);
    TcsExchange& ex = *m_exchange;

    ex.SetUserName(options.ConnectUserName);
    ex.SetPassword(options.ConnectPassword);
    ex.SetHost(options.ConnectHost);
    ex.SetPort(options.ConnectPort);
    ex.SetPassive(options.ConnectPassive);
    ex.UseSocks5 = options.ProxySocks5;
    ex.PathToBase = options.CatalogDir;
    ex.PathToPictures = options.PathPicture;
    ex.PathToTmpPictures = options.TempPictureDir;

    TcsProxySettings proxy;
    if (!platform::Trim(options.ProxyHost).empty()) {
        proxy.Host = options.ProxyHost;
        proxy.UserName = options.ProxyUserName;
        proxy.Password = options.ProxyPassword;
        proxy.Port = static_cast<std::uint16_t>(options.ProxyPort);
        proxy.ProxyType = options.ProxyMode;
    }
    ex.SetProxySettings(proxy);

    auto& socks = ex.FtpSettings().socks5;
    socks = platform::Socks5Settings{};
    if (options.ProxySocks5) {
        socks.enabled = true;
        socks.userName = options.ProxyUserName;  // empty: no authentication
        socks.password = options.ProxyPassword;
        socks.port = options.ProxyPort;
        socks.host = options.ProxyHost;
    }

    ex.OncsMessage = [this](const std::string& msg) { ShowExchangeMessage(msg); };
    ex.OnPump = [this] {
        if (OnPump) OnPump();
    };
    return ex;
}

void ExchangePanel::ShowExchangeMessage(const std::string& Msg) {
    const bool busy = m_exchange && m_exchange->Busy;
    auto connected = [this] { return m_exchange && m_exchange->Connected(); };
    if (busy && !State.pnlExchangeVisible) State.pnlExchangeVisible = true;
    if (!busy && State.pnlExchangeVisible && !connected()) State.pnlExchangeVisible = false;
    State.lblcsMsg = Msg;
    if (OnLabelChanged) OnLabelChanged();
    if (busy && !State.btnExchangeCancelEnabled) State.btnExchangeCancelEnabled = true;
    auto enableButtons = [this] {
        State.btnGetNewPriceEnabled = true;
        State.btnGetNewPicturesEnabled = true;
        State.btnGetOnePictureEnabled = true;
    };
    if (!busy && !connected()) {
        State.btnExchangeCancelEnabled = false;
        State.lblcsMsg.clear();
        enableButtons();
        return;
    }
    if (!busy) {
        try {
            m_exchange->Disconnect();
        } catch (...) {
        }
        enableButtons();
        return;
    }
    State.btnGetNewPriceEnabled = false;
    State.btnGetNewPicturesEnabled = false;
    State.btnGetOnePictureEnabled = false;
}

void ExchangePanel::btnExchangeCancelClick() {
    if (m_exchange) m_exchange->Busy = false;
    ShowExchangeMessage("");
}
