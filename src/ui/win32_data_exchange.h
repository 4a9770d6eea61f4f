#pragma once
// Data exchange between a dialog's controls and the values they show: a dialog lists
// its rows once (control id and value), and the same list runs either way.
#include <windows.h>

#include <cstdint>
#include <string>

namespace qp {

class DataExchange {
public:
    enum class Way { IntoControls, FromControls };

    DataExchange(HWND dialog, Way way) : dialog_(dialog), way_(way) {}

    // An edit holding a signed decimal. Taken from a control that holds anything else,
    // it prompts "Please enter an integer.", puts the focus on that control and stops
    // the exchange: that row and every later row keep their values.
    void Integer(int controlId, int32_t& value);
    // An edit's whole text.
    void Text(int controlId, std::string& value);
    // A check box: 1 ticked, 0 not.
    void Check(int controlId, int32_t& value);

    // False once a row has stopped the exchange.
    bool Complete() const { return !stopped_; }

private:
    HWND dialog_;
    Way way_;
    bool stopped_ = false;
};

}  // namespace qp
