#include "toolkit/layout.h"

#include <charconv>
#include <map>

#include "toolkit/form.h"
#include "toolkit/text.h"

namespace tk {

// --- setting values ---------------------------------------------------------

void BadProperty(std::wstring_view kind, std::wstring_view property, std::string_view why) {
    throw Error(Narrow(kind) + "." + Narrow(property) + ": " + std::string(why));
}

bool ParseBool(std::wstring_view v) {
    if (v == L"True" || v == L"true" || v == L"1") return true;
    if (v == L"False" || v == L"false" || v == L"0") return false;
    throw Error("not a boolean: " + Narrow(v));
}

int ParseInt(std::wstring_view v) {
    const std::string s = Narrow(v);
    int value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) throw Error("not a number: " + s);
    return value;
}

Color ParseColor(std::wstring_view v) {
    static const std::pair<const wchar_t*, Color> names[] = {
        {L"clBtnFace", clBtnFace},       {L"clBtnHighlight", clBtnHighlight},
        {L"clBtnShadow", clBtnShadow},   {L"clWindow", clWindow},
        {L"clWindowText", clWindowText}, {L"clBtnText", clBtnText},
        {L"clNone", clNone},             {L"clBlack", 0x000000},
        {L"clWhite", 0xFFFFFF},          {L"clBlue", 0xFF0000},
        {L"clNavy", 0x800000},           {L"clPurple", 0x800080},
        {L"clYellow", 0x00FFFF},         {L"clAqua", 0xFFFF00},
        {L"clGray", 0x808080},           {L"clOlive", 0x008080},
        {L"clRed", 0x0000FF},            {L"clGreen", 0x008000},
    };
    for (const auto& [name, value] : names)
        if (v == name) return value;
    std::string s = Narrow(v);
    int base = 10;
    size_t skip = 0;
    if (s.starts_with("$")) base = 16, skip = 1;
    else if (s.starts_with("0x")) base = 16, skip = 2;
    std::uint32_t value = 0;
    auto [end, ec] = std::from_chars(s.data() + skip, s.data() + s.size(), value, base);
    if (ec != std::errc() || end != s.data() + s.size() || s.size() == skip) throw Error("not a colour: " + s);
    return value;
}

unsigned ParseFontStyle(std::wstring_view v) {
    unsigned style = 0;
    while (!v.empty()) {
        const size_t comma = v.find(L',');
        std::wstring_view item = v.substr(0, comma);
        if (item == L"fsBold") style |= fsBold;
        else if (item == L"fsItalic") style |= fsItalic;
        else if (item == L"fsUnderline") style |= fsUnderline;
        else if (item == L"fsStrikeOut") style |= fsStrikeOut;
        else throw Error("not a font style: " + Narrow(item));
        v = comma == std::wstring_view::npos ? std::wstring_view{} : v.substr(comma + 1);
    }
    return style;
}

// --- kinds ------------------------------------------------------------------

namespace {

std::map<std::wstring, ControlFactory, std::less<>>& Kinds() {
    static std::map<std::wstring, ControlFactory, std::less<>> kinds;
    return kinds;
}

// The form's controls and handlers, as the settings of its table name them.
class FormContext final : public LayoutContext {
public:
    explicit FormContext(Form& form) : form_(form) {}

    Control& FindControl(std::wstring_view name) override { return form_.Find<Control>(name); }
    NotifyEvent Handler(std::wstring_view name) override {
        if (const NotifyEvent* handler = form_.FindHandler(name)) return *handler;
        throw Error("no handler " + Narrow(name));
    }
    HINSTANCE Module() override { return GetModuleHandleW(nullptr); }

private:
    Form& form_;
};

void Apply(Control& control, const std::vector<Setting>& settings, LayoutContext& context) {
    for (const Setting& s : settings)
        if (!control.SetProperty(s.name, s.value, context)) BadProperty(control.KindName(), s.name, "unknown property");
}

}  // namespace

void RegisterControlKind(std::wstring kind, ControlFactory factory) { Kinds()[std::move(kind)] = std::move(factory); }

std::unique_ptr<Control> CreateControlOfKind(std::wstring_view kind) {
    auto& kinds = Kinds();
    auto it = kinds.find(kind);
    if (it == kinds.end()) throw Error("unknown control kind " + Narrow(kind));
    return it->second();
}

// --- loading ----------------------------------------------------------------

void LoadLayout(Form& form, const FormLayout& layout) {
    FormContext context(form);
    form.SetText(layout.caption);
    form.SetBorderStyle(layout.border);
    form.SetBorderIcons(layout.borderIcons);
    form.SetPosition(layout.position);
    Apply(form, layout.settings, context);
    form.SetDesignClientSize(layout.clientWidth, layout.clientHeight);

    std::vector<Control*> created;
    for (const ControlLayout& c : layout.controls) {
        Control& control = static_cast<Control&>(form.Adopt(CreateControlOfKind(c.kind)));
        control.SetName(std::wstring(c.name));
        control.SetTabOrder(c.tabOrder);
        // On the form first, so that it has the form's density before its
        // bounds are scaled and before a label sizes itself by its settings.
        control.SetParent(&form);
        control.SetDesignBounds(c.left, c.top, c.width, c.height);
        created.push_back(&control);
    }
    // The text once the settings are in, since a label sizes itself to its
    // text by its settings (AutoSize, Alignment, the font).
    for (size_t i = 0; i < created.size(); ++i) {
        Apply(*created[i], layout.controls[i].settings, context);
        created[i]->SetText(layout.controls[i].text);
    }
    for (Control* c : created) c->Loaded();
    form.Loaded();
}

}  // namespace tk
