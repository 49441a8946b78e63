#include "ui/browser_host_win.h"

#include "feeds/news_page.h"
#include "gateway/platform.h"
#include "runtime/dpi_win.h"
#include "runtime/gbk_win.h"

namespace velmora::win {
namespace {

constexpr wchar_t kContainerClass[] = L"VelmoraBrowserHost";

bool RegisterContainerClass(WNDPROC procedure) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kContainerClass;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// A multi-line edit box shows "\n" as a glyph, not a line break.
std::wstring WithCrLf(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) out += L'\r';
    out += text[i];
  }
  return out;
}

}  // namespace

std::unique_ptr<BrowserHost> BrowserHost::Create(HWND parent, RECT where) {
  if (!RegisterContainerClass(&BrowserHost::ContainerProc)) return nullptr;
  std::unique_ptr<BrowserHost> host(new BrowserHost());
  host->container_.Reset(CreateWindowExW(
      0, kContainerClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
      where.left, where.top, where.right - where.left, where.bottom - where.top, parent, nullptr,
      GetModuleHandleW(nullptr), host.get()));
  if (!host->container_) return nullptr;
  if (!host->StartBrowser()) {
    host->StopBrowser();
    host->ShowTextBox(true);
  }
  return host;
}

BrowserHost::~BrowserHost() {
  StopBrowser();
  if (container_) {
    SetWindowLongPtrW(container_.get(), GWLP_USERDATA, 0);
    container_.Reset();  // takes the text box with it, before its font is deleted
  }
  text_box_ = nullptr;
  text_font_.Reset();
}

bool BrowserHost::StartBrowser() {
  if (!apartment_.ok()) return false;
  *site_.Receive() = new BrowserSite(container_.get());
  site_->SetSuppressContextMenu(suppress_context_menu_);
  if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                              ole_.ReceiveVoid())))
    return false;
  if (FAILED(ole_->SetClientSite(site_.get()))) return false;
  RECT client{};
  GetClientRect(container_.get(), &client);
  if (FAILED(ole_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.get(), 0, container_.get(),
                          &client)))
    return false;
  if (FAILED(ole_->QueryInterface(IID_IOleInPlaceObject, in_place_.ReceiveVoid()))) return false;
  if (FAILED(ole_->QueryInterface(IID_IWebBrowser2, browser_.ReceiveVoid()))) return false;
  // Script errors and other prompts would otherwise open dialogs over our window.
  browser_->put_Silent(VARIANT_TRUE);
  in_place_->SetObjectRects(&client, &client);
  return true;
}

void BrowserHost::StopBrowser() {
  browser_.Reset();
  if (in_place_) in_place_->InPlaceDeactivate();
  in_place_.Reset();
  if (ole_) {
    ole_->Close(OLECLOSE_NOSAVE);
    ole_->SetClientSite(nullptr);  // the control lets go of its references to the site
  }
  // A control that did not name "no active object" as it closed would otherwise stay alive
  // through the site, and keys would still be offered to it.
  if (site_) site_->DropActiveObject();
  ole_.Reset();
  site_.Reset();
}

LRESULT CALLBACK BrowserHost::ContainerProc(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* host = reinterpret_cast<BrowserHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (host) {
    switch (message) {
      case WM_SIZE:
        host->FitChildren();
        return 0;
      case WM_CTLCOLORSTATIC:  // what a read-only edit box asks
      case WM_CTLCOLOREDIT: {
        HDC dc = reinterpret_cast<HDC>(wparam);
        SetTextColor(dc, host->text_colour_);
        SetBkColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
      }
      default:
        break;
    }
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void BrowserHost::FitChildren() {
  RECT client{};
  GetClientRect(container_.get(), &client);
  if (text_box_)
    MoveWindow(text_box_, 0, 0, client.right - client.left, client.bottom - client.top, TRUE);
  if (in_place_) in_place_->SetObjectRects(&client, &client);
}

void BrowserHost::ShowTextBox(bool show) {
  if (show && !text_box_) {
    RECT client{};
    GetClientRect(container_.get(), &client);
    text_box_ = CreateWindowExW(
        0, L"EDIT", L"",
        WS_CHILD | WS_VSCROLL | WS_CLIPSIBLINGS | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
        0, 0, client.right - client.left, client.bottom - client.top, container_.get(), nullptr,
        GetModuleHandleW(nullptr), nullptr);
  }
  HWND browser_window = nullptr;
  if (in_place_ && SUCCEEDED(in_place_->GetWindow(&browser_window)) && browser_window)
    ShowWindow(browser_window, show ? SW_HIDE : SW_SHOW);
  if (text_box_) ShowWindow(text_box_, show ? SW_SHOW : SW_HIDE);
}

void BrowserHost::Resize(RECT where) {
  MoveWindow(container_.get(), where.left, where.top, where.right - where.left,
             where.bottom - where.top, TRUE);
}

void BrowserHost::SetSuppressContextMenu(bool suppress) {
  suppress_context_menu_ = suppress;
  if (site_) site_->SetSuppressContextMenu(suppress);
}

bool BrowserHost::Navigate(const std::string& gbk_url, const std::string& target_frame) {
  if (!browser_) return false;
  const Bstr url(GbkToWide(gbk_url));
  Variant flags, frame, post_data, headers;
  if (!target_frame.empty() && !frame.SetText(GbkToWide(target_frame))) return false;
  return SUCCEEDED(browser_->Navigate(url.get(), flags.get(), frame.get(), post_data.get(),
                                     headers.get()));
}

bool BrowserHost::GoBack() { return browser_ && SUCCEEDED(browser_->GoBack()); }
bool BrowserHost::GoForward() { return browser_ && SUCCEEDED(browser_->GoForward()); }
bool BrowserHost::Reload() { return browser_ && SUCCEEDED(browser_->Refresh()); }

ComRef<IHTMLDocument2> BrowserHost::Document() const {
  ComRef<IHTMLDocument2> document;
  if (!browser_) return document;
  ComRef<IDispatch> dispatch;
  // S_FALSE with nothing when the browser has no document (or no HTML engine at all).
  if (browser_->get_Document(dispatch.Receive()) != S_OK || !dispatch) return document;
  dispatch->QueryInterface(IID_IHTMLDocument2, document.ReceiveVoid());
  return document;
}

bool BrowserHost::WaitForDocument(std::chrono::milliseconds limit) {
  const auto ready = [this] {
    READYSTATE state = READYSTATE_UNINITIALIZED;
    return Document() && SUCCEEDED(browser_->get_ReadyState(&state)) && state >= READYSTATE_INTERACTIVE;
  };
  return WaitPumping(ready, limit) == WaitEnd::kDone;
}

bool BrowserHost::WriteHtml(const std::string& gbk_html) {
  const ComRef<IHTMLDocument2> document = Document();
  if (!document) return false;
  VariantArray page(1);
  if (!page.SetText(0, GbkToWide(gbk_html))) return false;
  if (FAILED(document->write(page.get()))) return false;
  document->close();
  ShowTextBox(false);
  return true;
}

bool BrowserHost::AddTextBlock(const std::string& gbk_text, int64_t colour, int size_points,
                               const std::string& gbk_font) {
  const std::wstring text = GbkToWide(gbk_text);
  const std::wstring font = GbkToWide(gbk_font);
  if (AppendToDocument(text, colour, size_points, font)) return true;
  return ShowInTextBox(text, colour, size_points, font);
}

bool BrowserHost::AppendToDocument(const std::wstring& text, int64_t colour, int size_points,
                                   const std::wstring& font) {
  const ComRef<IHTMLDocument2> document = Document();
  if (!document) return false;
  ComRef<IHTMLElement> block, body;
  if (FAILED(document->createElement(Bstr(L"div").get(), block.Receive())) || !block)
    return false;
  if (FAILED(document->get_body(body.Receive())) || !body) return false;
  if (FAILED(block->put_innerText(Bstr(text).get()))) return false;

  ComRef<IHTMLStyle> style;
  if (FAILED(block->get_style(style.Receive())) || !style) return false;
  Variant size, colour_text;
  if (!size.SetText(GbkToWide(AnnouncementFontSize(size_points))) ||
      !colour_text.SetText(GbkToWide(ColourToHtml(colour))))
    return false;
  if (FAILED(style->put_fontSize(*size)) || FAILED(style->put_color(*colour_text)) ||
      FAILED(style->put_fontFamily(Bstr(font).get())))
    return false;

  ComRef<IHTMLDOMNode> body_node, block_node, appended;
  if (FAILED(body->QueryInterface(IID_IHTMLDOMNode, body_node.ReceiveVoid())) ||
      FAILED(block->QueryInterface(IID_IHTMLDOMNode, block_node.ReceiveVoid())))
    return false;
  if (FAILED(body_node->appendChild(block_node.get(), appended.Receive()))) return false;
  ShowTextBox(false);
  return true;
}

bool BrowserHost::ShowInTextBox(const std::wstring& text, int64_t colour, int size_points,
                                const std::wstring& font) {
  ShowTextBox(true);
  if (!text_box_) return false;
  HFONT new_font = CreateFontW(FontHeightForPoints(size_points, WindowDpi(text_box_)), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                               FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.c_str());
  if (new_font) {
    SendMessageW(text_box_, WM_SETFONT, reinterpret_cast<WPARAM>(new_font), FALSE);
    text_font_.Reset(new_font);  // the box no longer uses the old one
  }
  text_colour_ = COLORREF(colour & 0xFFFFFF);
  if (!shown_text_.empty()) shown_text_ += L"\r\n";
  shown_text_ += WithCrLf(text);
  SetWindowTextW(text_box_, shown_text_.c_str());
  InvalidateRect(text_box_, nullptr, TRUE);
  return true;
}

}  // namespace velmora::win
