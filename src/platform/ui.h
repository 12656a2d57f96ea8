#pragma once
// Windows and controls in the units the program was designed in: positions
// and sizes in twips (15 per pixel), colours as 0x00BBGGRR, fonts by their
// design names. Labels, shapes, lines and images are light-weight: their
// container paints them, in creation order, under its windowed controls.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;
class QPainter;

namespace kv {

using Color = std::uint32_t;  // 0x00BBGGRR, red in the low byte
constexpr int TwipsPerPixel = 15;

struct FontSpec {
    std::string name = "Arial";
    double points = 9;
    bool bold = false;
    bool italic = false;
};

enum class Align { Left, Right, Center };

class Container;
class Graphic;
class FormWindow;
class PaintHost;

// Anything with a position.
class Control {
public:
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    void Move(int left, int top, int width, int height);
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Visible() const { return visible_; }
    void Visible(bool v);

protected:
    Control() = default;
    virtual void Placed() = 0;
    virtual void VisibilityChanged() = 0;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
};

// A host of child controls: a form, a picture box or a frame.
class Container : public Control {
public:
    PaintHost* Host() const { return host_; }
    // Inner size in twips (what children can use).
    int ScaleWidth() const;
    int ScaleHeight() const;
protected:
    PaintHost* host_ = nullptr;
};

// --- light-weight controls, painted by their container -------------------

class Graphic : public Control {
public:
    // Paints itself; called by the container with pixel coordinates.
    virtual void Paint(QPainter& painter) const = 0;
protected:
    explicit Graphic(Container& parent);
    void Placed() override { Repaint(); }
    void VisibilityChanged() override { Repaint(); }
    void Repaint() const;
    Container& parent_;
};

class Label : public Graphic {
public:
    explicit Label(Container& parent) : Graphic(parent) {}
    const std::string& Caption() const { return caption_; }
    void Caption(const std::string& text);
    Color ForeColor() const { return fore_; }
    void ForeColor(Color c);
    Color BackColor() const { return back_; }
    void BackColor(Color c);
    bool Transparent() const { return transparent_; }
    void Transparent(bool t);
    void Font(const FontSpec& f);
    void Alignment(Align a);
    void BorderSingle(bool b);
    void Paint(QPainter& painter) const override;
private:
    std::string caption_;
    Color fore_ = 0x00000000, back_ = 0x00C0C0C0;
    bool transparent_ = false, border_ = false;
    FontSpec font_;
    Align align_ = Align::Left;
};

enum class ShapeKind { Rectangle, RoundedRectangle };

class Shape : public Graphic {
public:
    explicit Shape(Container& parent) : Graphic(parent) {}
    void Kind(ShapeKind k);
    // Opaque interior in this colour; transparent when not set.
    void FillColor(Color c);
    Color FillColor() const { return fill_; }
    // Outline; BorderWidth 0 means no outline.
    void BorderColor(Color c);
    Color BorderColor() const { return border_; }
    void BorderWidth(int pixels);
    void Paint(QPainter& painter) const override;
private:
    ShapeKind kind_ = ShapeKind::Rectangle;
    bool filled_ = false;
    Color fill_ = 0, border_ = 0;
    int borderWidth_ = 1;
};

class Line : public Graphic {
public:
    explicit Line(Container& parent) : Graphic(parent) {}
    int X1() const { return x1_; }
    int Y1() const { return y1_; }
    int X2() const { return x2_; }
    int Y2() const { return y2_; }
    void X1(int v);
    void Y1(int v);
    void X2(int v);
    void Y2(int v);
    void Coords(int x1, int y1, int x2, int y2);
    Color BorderColor() const { return color_; }
    void BorderColor(Color c);
    int BorderWidth() const { return width_; }
    void BorderWidth(int pixels);
    void Paint(QPainter& painter) const override;
private:
    void Placed() override {}
    void Changed(int ox1, int oy1, int ox2, int oy2, int owidth);
    int x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
    Color color_ = 0x00000000;
    int width_ = 1;
};

class Image : public Graphic {
public:
    explicit Image(Container& parent) : Graphic(parent) {}
    // A picture of the program's artwork, by name ("row_bar").
    void Picture(const std::string& name);
    void Paint(QPainter& painter) const override;
private:
    std::string picture_;
};

// --- windowed controls ---------------------------------------------------

class Windowed : public Control {
public:
    ~Windowed() override;
    bool Enabled() const;
    void Enabled(bool e);
    void SetFocus();
    bool HasFocus() const;
    QWidget* Widget() const { return w_; }
protected:
    explicit Windowed(Container& parent) : parent_(parent) {}
    void Attach(QWidget* w);
    void Placed() override;
    void VisibilityChanged() override;
    Container& parent_;
    QWidget* w_ = nullptr;
};

// A picture box: a panel with a background colour or picture, a sunken
// border, and child controls placed from its inner top-left corner.
class PictureBox : public Container {
public:
    explicit PictureBox(Container& parent);
    ~PictureBox() override;
    void BackColor(Color c);
    Color BackColor() const { return back_; }
    void Picture(const std::string& name);
    void BorderStyle(int style);  // 0 none, 1 sunken single
    void OnClick(std::function<void()> handler);
    QWidget* Widget() const;
private:
    void Placed() override;
    void VisibilityChanged() override;
    Container& parent_;
    class PictureWidget* w_ = nullptr;
    Color back_ = 0x00C0C0C0;
};

class Frame : public Container {
public:
    explicit Frame(Container& parent);
    void Caption(const std::string& text);
    void Font(const FontSpec& f);
    void ForeColor(Color c);
    void BackColor(Color c);
    QWidget* Widget() const;
private:
    void Placed() override;
    void VisibilityChanged() override;
    Container& parent_;
    class FrameWidget* w_ = nullptr;
};

class CommandButton : public Windowed {
public:
    explicit CommandButton(Container& parent);
    const std::string& Caption() const { return caption_; }
    void Caption(const std::string& text);
    void Font(const FontSpec& f);
    // A graphical button shows this picture under its caption.
    void Picture(const std::string& name);
    void OnClick(std::function<void()> handler);
    void Click();  // as if the user pressed it
private:
    std::string caption_;
};

class OptionButton : public Windowed {
public:
    explicit OptionButton(Container& parent);
    void Caption(const std::string& text);
    void Font(const FontSpec& f);
    Color ForeColor() const { return fore_; }
    void ForeColor(Color c);
    void BackColor(Color c);
    bool Value() const;
    void Value(bool v);
    // Raised by a click, even on the selected option, and when Value(true)
    // selects it.
    void OnClick(std::function<void()> handler);
private:
    void Restyle();
    Color fore_ = 0x00000000, back_ = 0x00C0C0C0;
    std::function<void()> onClick_;
};

// A text box, one line or several (fixed when it is made, as at design).
class TextBox : public Windowed {
public:
    enum Lines { SingleLine, MultiLine };
    explicit TextBox(Container& parent, Lines lines = SingleLine);
    // What the box holds; line ends are CR LF, and text the program set comes
    // back as it was set until the user edits it.
    std::string Text() const;
    void Text(const std::string& text);
    void Font(const FontSpec& f);
    void ForeColor(Color c);
    void BackColor(Color c);
    void BorderStyle(int style);   // 0 none, 1 fixed single (the default)
    void ScrollBars(int bars);     // 0 none (the default), 2 vertical; multi-line only
    // Every key that produces a character comes here first with its code
    // (Backspace 8, Enter 13, Ctrl+C 3...), which the handler may replace.
    // A printable code is typed in its place; 0 or any other control code
    // than the one pressed makes the key do nothing.
    void OnKeyPress(std::function<void(int& KeyAscii)> handler);
private:
    void LayOutLines();
    class TextBoxState* state_;
    Lines lines_;
};

// Drive list: entries "c: [label]" for the machine's drives.
class DriveListBox : public Windowed {
public:
    explicit DriveListBox(Container& parent);
    std::string Drive() const;          // the current entry's text
    void Drive(const std::string& d);   // selects by drive letter ("d:")
    std::vector<std::string> Entries() const;
    void OnChange(std::function<void()> handler);
private:
    std::function<void()> onChange_;
    bool filling_ = false;
};

// Folder list: the opened folder's ancestors and its subfolders; a folder is
// opened by double-click. Paths are program paths ("C:\", "C:\data"); a
// drive ("c:", or a drive list's entry) opens that drive's current folder.
class DirListBox : public Windowed {
public:
    explicit DirListBox(Container& parent);
    std::string Path() const { return path_; }
    void Path(const std::string& programPath);   // throws RuntimeError
    std::vector<std::string> Entries() const;
    void OpenEntry(int row);                     // as a double-click
    void OnChange(std::function<void()> handler);
private:
    void Fill(const std::vector<std::string>& subs);
    std::string path_;
    std::function<void()> onChange_;
};

// File list: the normal files of a folder (no hidden ones) whose names match
// a pattern, sorted by name. The pattern knows "*" and "?" and ignores case.
class FileListBox : public Windowed {
public:
    explicit FileListBox(Container& parent);
    std::string Path() const { return path_; }
    void Path(const std::string& programPath);   // throws RuntimeError
    std::string Pattern() const { return pattern_; }
    void Pattern(const std::string& pattern);
    // The selected entry's bare name, "" while nothing is selected.
    std::string FileName() const;
    std::vector<std::string> Entries() const;
    void ClickEntry(int row);                    // as a click on that name
    void OnClick(std::function<void()> handler);
private:
    void Fill();
    std::string path_;
    std::string pattern_ = "*.*";
    std::function<void()> onClick_;
    bool filling_ = false;
};

// A list of text items of uniform size, for the list test.
class ListView : public Windowed {
public:
    explicit ListView(Container& parent);
    void Add(int position, const std::string& text);  // 1-based
    void EnsureVisible(int position);
    int Count() const;
    std::string ItemText(int position) const;
};

// --- forms ---------------------------------------------------------------

// A top-level window: a fixed dialog frame without minimise and maximise
// buttons, centred on the screen when first shown.
class Form : public Container {
public:
    Form();
    ~Form() override;
    void Caption(const std::string& text);
    std::string Caption() const;
    void ClientSize(int widthTwips, int heightTwips);
    void Picture(const std::string& name);
    void BackColor(Color c);
    void Icon(const std::string& name);
    // A disabled form takes no input from the user; its controls keep
    // their look.
    bool Enabled() const;
    void Enabled(bool e);
    void Show();
    // Runs when the user closes the window from its title bar.
    void OnCloseBox(std::function<void()> handler);
    // As if the user pressed the title bar's close box.
    void PressCloseBox();
    // Drawing straight onto the window, in twips; it reaches the screen at
    // once.
    void Circle(float x, float y, float radius, Color color);
    void Box(float x1, float y1, float x2, float y2, Color color);
    // Whether the window is on screen (mapped), for tests.
    bool Shown() const;
    QWidget* Widget() const;
private:
    void Placed() override {}
    void VisibilityChanged() override;
    FormWindow* w_ = nullptr;
    bool centred_ = false;
};

// Like controls sharing one name, elements 0 .. N-1.
template <class T, int N>
class ControlArray {
public:
    explicit ControlArray(Container& parent)
    {
        for (int i = 0; i < N; ++i) items_.push_back(std::make_unique<T>(parent));
    }
    T& operator[](int index) { return *items_.at(static_cast<size_t>(index)); }
    const T& operator[](int index) const { return *items_.at(static_cast<size_t>(index)); }
    static constexpr int Count() { return N; }
private:
    std::vector<std::unique_ptr<T>> items_;
};

void DeferDelete(std::function<void()> deleter);

// What Form::Circle and Form::Box drew, for tests: kind 'C' (x1, y1 the
// centre, x2 the radius) or 'B' (two corners), in twips.
struct DrawCall {
    char kind;
    float x1, y1, x2, y2;
    Color color;
};
void RecordDrawingForTest(std::vector<DrawCall>* log);  // nullptr stops

// What every single-instance window reference offers, so all of them can be
// reached at once.
class FormRefBase {
public:
    virtual void Unload() = 0;
    virtual bool Loaded() const = 0;
protected:
    FormRefBase();
    ~FormRefBase() = default;
};

// Unloads every window that is loaded (tests start each case from none).
void UnloadAllForms();

// A single instance of a window class, created on first use: the first access
// loads it and runs its Form_Load; Unload destroys it.
template <class T>
class FormRef : public FormRefBase {
public:
    T* operator->() { return &Get(); }
    T& Get()
    {
        if (!inst_) Load();
        return *inst_;
    }
    void Load()
    {
        if (inst_) return;
        inst_ = new T();
        inst_->Form_Load();
    }
    // Hides the window and destroys it once control is back in the event loop,
    // so a handler may unload its own window.
    void Unload() override
    {
        if (!inst_) return;
        T* dead = inst_;
        inst_ = nullptr;
        dead->Visible(false);
        DeferDelete([dead] { delete dead; });
    }
    bool Loaded() const override { return inst_ != nullptr; }
private:
    T* inst_ = nullptr;
};

// Ends the program (the END button) at once with status 0, without returning
// to its caller; the files in flight (the HDD test's scratch file, a save's
// temporary) go first. Tests replace what
// it does.
void EndProgram();
void SetEndHandler(std::function<void()> handler);

} // namespace kv
