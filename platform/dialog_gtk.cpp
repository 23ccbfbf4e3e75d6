// The dialog backend on GTK 3: a fixed layout of widgets placed from the control table, with
// dialog units converted for the default font the way dialog units are defined (a horizontal unit
// is a quarter of the average character width, a vertical unit an eighth of the character height).
#include "platform/dialog.h"
#include "platform/dialog_inspection.h"
#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace qm::platform {
namespace {

std::string lastError;
DialogShownHook shownHook = nullptr;

constexpr const char* ID_KEY = "qm-control-id";
constexpr const char* AVERAGE_WIDTH_SAMPLE = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// Tighter padding so buttons and boxes of small dialog-unit sizes keep their sizes.
constexpr const char* DIALOG_CSS =
    "button { padding: 0px 6px; min-height: 0px; }"
    "combobox button { padding: 2px 6px; }"
    "scale { padding: 4px 6px; }"
    "scale slider { min-width: 12px; min-height: 12px; margin: -5px; }"
    "frame > border { border-radius: 2px; }";

bool openDisplay()
{
    static int state = 0;   // 0: not tried, 1: open, 2: failed
    if (state == 0) {
        state = gtk_init_check(nullptr, nullptr) ? 1 : 2;
        if (state == 1) {
            GtkCssProvider* css = gtk_css_provider_new();
            gtk_css_provider_load_from_data(css, DIALOG_CSS, -1, nullptr);
            gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                                      GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
            g_object_unref(css);
        } else {
            lastError = "no display could be opened";
        }
    }
    return state == 1;
}

GdkPixbuf* pixbufOf(const Picture& picture)
{
    if (!picture.rgb || picture.width <= 0 || picture.height <= 0) return nullptr;
    return gdk_pixbuf_new_from_data(picture.rgb, GDK_COLORSPACE_RGB, FALSE, 8, picture.width,
                                    picture.height, picture.width * 3, nullptr, nullptr);
}

TrackNotification notificationOf(GtkScrollType scroll)
{
    switch (scroll) {
    case GTK_SCROLL_JUMP: return TrackNotification::ThumbTrack;
    case GTK_SCROLL_PAGE_BACKWARD:
    case GTK_SCROLL_PAGE_UP:
    case GTK_SCROLL_PAGE_LEFT: return TrackNotification::PageUp;
    case GTK_SCROLL_PAGE_FORWARD:
    case GTK_SCROLL_PAGE_DOWN:
    case GTK_SCROLL_PAGE_RIGHT: return TrackNotification::PageDown;
    case GTK_SCROLL_STEP_BACKWARD:
    case GTK_SCROLL_STEP_UP:
    case GTK_SCROLL_STEP_LEFT: return TrackNotification::LineUp;
    case GTK_SCROLL_STEP_FORWARD:
    case GTK_SCROLL_STEP_DOWN:
    case GTK_SCROLL_STEP_RIGHT: return TrackNotification::LineDown;
    case GTK_SCROLL_START: return TrackNotification::Top;
    case GTK_SCROLL_END: return TrackNotification::Bottom;
    default: return TrackNotification::ThumbPosition;
    }
}

class DialogWindow final : public DialogControls {
public:
    DialogWindow(const DialogTemplate& dialog, DialogProcedure& procedure, GtkWindow* owner)
        : template_(dialog), procedure_(procedure), owner_(owner)
    {
    }
    ~DialogWindow() override
    {
        if (window_) gtk_widget_destroy(GTK_WIDGET(window_));
    }

    int run(uint32_t ownerWindow)
    {
        build();
        ++quiet_;
        procedure_.initDialog(*this);
        --quiet_;
        if (ended_) return result_;
        gtk_widget_show_all(GTK_WIDGET(window_));
        if (!owner_ && ownerWindow) stayAbove(ownerWindow);
        focusFirstButton();
        loop_ = g_main_loop_new(nullptr, FALSE);
        g_main_loop_run(loop_);
        g_main_loop_unref(loop_);
        loop_ = nullptr;
        return result_;
    }

    bool isTicked(int id) const override
    {
        GtkWidget* w = widget(id);
        return w && GTK_IS_TOGGLE_BUTTON(w) && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w));
    }
    void setTicked(int id, bool on) override
    {
        GtkWidget* w = widget(id);
        if (!w || !GTK_IS_TOGGLE_BUTTON(w)) return;
        ++quiet_;
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w), on);
        --quiet_;
    }
    void enable(int id, bool on) override
    {
        if (GtkWidget* w = widget(id)) gtk_widget_set_sensitive(w, on);
    }
    void setText(int id, const char* text) override
    {
        GtkWidget* w = widget(id);
        if (!w) return;
        if (GTK_IS_LABEL(w)) gtk_label_set_text(GTK_LABEL(w), text);
        else if (GTK_IS_BUTTON(w)) gtk_button_set_label(GTK_BUTTON(w), text);
        else if (GTK_IS_FRAME(w)) gtk_frame_set_label(GTK_FRAME(w), text);
    }
    void focus(int id) override
    {
        if (GtkWidget* w = widget(id)) gtk_widget_grab_focus(w);
    }
    void addListEntry(int id, const char* text) override
    {
        if (GtkComboBoxText* list = comboBox(id)) gtk_combo_box_text_append_text(list, text);
    }
    int listEntryCount(int id) const override
    {
        GtkComboBoxText* list = comboBox(id);
        return list ? gtk_tree_model_iter_n_children(gtk_combo_box_get_model(GTK_COMBO_BOX(list)), nullptr) : 0;
    }
    void selectListEntry(int id, int index) override
    {
        GtkComboBoxText* list = comboBox(id);
        if (!list) return;
        if (index < -1 || index >= listEntryCount(id)) index = -1;
        ++quiet_;
        gtk_combo_box_set_active(GTK_COMBO_BOX(list), index);
        --quiet_;
    }
    int selectedListEntry(int id) const override
    {
        GtkComboBoxText* list = comboBox(id);
        return list ? gtk_combo_box_get_active(GTK_COMBO_BOX(list)) : -1;
    }
    std::string listEntryText(int id, int index) const override
    {
        GtkComboBoxText* list = comboBox(id);
        if (!list || index < 0) return {};
        GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(list));
        GtkTreeIter iter;
        if (!gtk_tree_model_iter_nth_child(model, &iter, nullptr, index)) return {};
        gchar* text = nullptr;
        gtk_tree_model_get(model, &iter, 0, &text, -1);
        std::string result = text ? text : "";
        g_free(text);
        return result;
    }
    void setTrackRange(int id, int minimum, int maximum) override
    {
        GtkRange* range = trackBar(id);
        if (!range || maximum < minimum) return;
        ++quiet_;
        gtk_range_set_range(range, minimum, maximum);
        // A page is a fifth of the range, a line one step, as track bars have them by default.
        gtk_range_set_increments(range, 1, std::max(1, (maximum - minimum) / 5));
        --quiet_;
    }
    void setTrackPosition(int id, int position) override
    {
        GtkRange* range = trackBar(id);
        if (!range) return;
        ++quiet_;
        gtk_range_set_value(range, position);
        --quiet_;
    }
    int trackPosition(int id) const override
    {
        GtkRange* range = trackBar(id);
        return range ? int(std::lround(gtk_range_get_value(range))) : 0;
    }
    void endDialog(int result) override
    {
        result_ = result;
        ended_ = true;
        if (loop_) g_main_loop_quit(loop_);
    }
    int runOwnedDialog(const DialogTemplate& dialog, DialogProcedure& procedure) override
    {
        DialogWindow owned(dialog, procedure, window_);
        return owned.run(0);
    }

private:
    void build();
    GtkWidget* makeControl(const ControlTemplate& control, GSList*& radioGroup);
    void connectSignals(GtkWidget* w, const ControlTemplate& control);
    void stayAbove(uint32_t ownerWindow);
    void focusFirstButton();
    void measureBaseUnits();
    int pixelsX(int units) const { return int(std::lround(double(units) * baseX_ / 4.0)); }
    int pixelsY(int units) const { return int(std::lround(double(units) * baseY_ / 8.0)); }
    void report(ShownDialog& shown) const;

    GtkWidget* widget(int id) const
    {
        auto it = widgets_.find(id);
        return it == widgets_.end() ? nullptr : it->second;
    }
    GtkComboBoxText* comboBox(int id) const
    {
        GtkWidget* w = widget(id);
        return w && GTK_IS_COMBO_BOX_TEXT(w) ? GTK_COMBO_BOX_TEXT(w) : nullptr;
    }
    GtkRange* trackBar(int id) const
    {
        GtkWidget* w = widget(id);
        return w && GTK_IS_RANGE(w) ? GTK_RANGE(w) : nullptr;
    }
    static int idOf(GtkWidget* w) { return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(w), ID_KEY)); }

    void command(int id)
    {
        if (quiet_ || ended_) return;
        procedure_.command(*this, id);
    }

    static void onClicked(GtkButton* button, gpointer self);
    static gboolean onChangeValue(GtkRange* range, GtkScrollType scroll, gdouble value, gpointer self);
    static gboolean onTrackScroll(GtkWidget* w, GdkEvent* event, gpointer self);
    static gboolean onTrackRelease(GtkWidget* w, GdkEvent* event, gpointer self);
    static gboolean onKeyPress(GtkWidget* w, GdkEventKey* event, gpointer self);
    static gboolean onDelete(GtkWidget* w, GdkEvent* event, gpointer self);
    static gboolean onDraw(GtkWidget* w, cairo_t* cr, gpointer self);
    static gboolean onShown(gpointer self);

    const DialogTemplate& template_;
    DialogProcedure& procedure_;
    GtkWindow* owner_;
    GtkWindow* window_ = nullptr;
    GtkWidget* fixed_ = nullptr;
    GMainLoop* loop_ = nullptr;
    std::map<int, GtkWidget*> widgets_;
    std::vector<std::pair<const ControlTemplate*, GtkWidget*>> placed_;
    double baseX_ = 6, baseY_ = 13;
    int quiet_ = 0;             // above 0 while the program itself changes controls
    bool wheel_ = false;        // a change-value comes from the mouse wheel
    bool ended_ = false;
    bool reported_ = false;
    int result_ = 0;
};

void DialogWindow::measureBaseUnits()
{
    PangoLayout* layout = gtk_widget_create_pango_layout(GTK_WIDGET(window_), AVERAGE_WIDTH_SAMPLE);
    int width = 0, height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    g_object_unref(layout);
    if (width > 0) baseX_ = (width / 26 + 1) / 2;
    if (height > 0) baseY_ = height;
}

void DialogWindow::build()
{
    window_ = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
    gtk_window_set_title(window_, template_.caption);
    gtk_window_set_resizable(window_, FALSE);
    gtk_window_set_modal(window_, TRUE);
    gtk_window_set_type_hint(window_, GDK_WINDOW_TYPE_HINT_DIALOG);
    if (owner_) {
        gtk_window_set_transient_for(window_, owner_);
        gtk_window_set_position(window_, GTK_WIN_POS_CENTER_ON_PARENT);
    } else {
        gtk_window_set_position(window_, GTK_WIN_POS_CENTER);
    }
    if (template_.icon) {
        if (GdkPixbuf* icon = pixbufOf(*template_.icon)) {
            gtk_window_set_icon(window_, icon);
            g_object_unref(icon);
        }
    }
    measureBaseUnits();
    fixed_ = gtk_fixed_new();
    gtk_widget_set_size_request(fixed_, pixelsX(template_.width), pixelsY(template_.height));
    gtk_container_add(GTK_CONTAINER(window_), fixed_);

    GSList* radioGroup = nullptr;
    for (int i = 0; i < template_.controlCount; ++i) {
        const ControlTemplate& control = template_.controls[i];
        if (control.kind != ControlKind::RadioButton) radioGroup = nullptr;
        GtkWidget* w = makeControl(control, radioGroup);
        g_object_set_data(G_OBJECT(w), ID_KEY, GINT_TO_POINTER(control.id));
        gtk_fixed_put(GTK_FIXED(fixed_), w, pixelsX(control.x), pixelsY(control.y));
        if (control.id != NO_CONTROL_ID) widgets_[control.id] = w;
        placed_.emplace_back(&control, w);
        connectSignals(w, control);
    }
    g_signal_connect(window_, "key-press-event", G_CALLBACK(onKeyPress), this);
    g_signal_connect(window_, "delete-event", G_CALLBACK(onDelete), this);
    g_signal_connect_after(window_, "draw", G_CALLBACK(onDraw), this);
}

GtkWidget* DialogWindow::makeControl(const ControlTemplate& c, GSList*& radioGroup)
{
    int width = pixelsX(c.width), height = pixelsY(c.height);
    const char* text = c.text ? c.text : "";
    GtkWidget* w = nullptr;
    switch (c.kind) {
    case ControlKind::DefaultButton:
        w = gtk_button_new_with_label(text);
        gtk_widget_set_can_default(w, TRUE);
        gtk_window_set_default(window_, w);
        break;
    case ControlKind::Button: w = gtk_button_new_with_label(text); break;
    case ControlKind::GroupBox:
        w = gtk_frame_new(c.text && *c.text ? text : nullptr);
        gtk_widget_set_can_focus(w, FALSE);
        break;
    case ControlKind::DropDownList:
        w = gtk_combo_box_text_new();
        height = -1;   // the height in the table is that of the open list
        break;
    case ControlKind::CheckBox: w = gtk_check_button_new_with_label(text); break;
    case ControlKind::RadioButton:
        w = gtk_radio_button_new_with_label(radioGroup, text);
        radioGroup = gtk_radio_button_get_group(GTK_RADIO_BUTTON(w));
        break;
    case ControlKind::Picture: {
        GdkPixbuf* pixbuf = c.picture ? pixbufOf(*c.picture) : nullptr;
        w = pixbuf ? gtk_image_new_from_pixbuf(pixbuf) : gtk_image_new();
        if (pixbuf) g_object_unref(pixbuf);
        gtk_widget_set_halign(w, GTK_ALIGN_START);
        gtk_widget_set_valign(w, GTK_ALIGN_START);
        width = height = -1;   // shown at its own size
        break;
    }
    case ControlKind::Text:
    case ControlKind::CentredText:
        w = gtk_label_new(text);
        gtk_label_set_yalign(GTK_LABEL(w), 0);
        if (c.kind == ControlKind::CentredText) {
            gtk_label_set_line_wrap(GTK_LABEL(w), TRUE);
            gtk_label_set_max_width_chars(GTK_LABEL(w), 1);
            gtk_label_set_justify(GTK_LABEL(w), GTK_JUSTIFY_CENTER);
            gtk_label_set_xalign(GTK_LABEL(w), 0.5f);
        } else {
            // One line: a label a little wider than its box beats one broken over two lines.
            gtk_label_set_xalign(GTK_LABEL(w), 0);
        }
        break;
    case ControlKind::TrackBar:
        w = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 100, 1);
        gtk_scale_set_draw_value(GTK_SCALE(w), FALSE);
        gtk_range_set_round_digits(GTK_RANGE(w), 0);
        break;
    }
    gtk_widget_set_size_request(w, width, height);
    return w;
}

void DialogWindow::connectSignals(GtkWidget* w, const ControlTemplate& c)
{
    switch (c.kind) {
    case ControlKind::DefaultButton:
    case ControlKind::Button:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: g_signal_connect(w, "clicked", G_CALLBACK(onClicked), this); break;
    case ControlKind::TrackBar:
        g_signal_connect(w, "change-value", G_CALLBACK(onChangeValue), this);
        g_signal_connect(w, "scroll-event", G_CALLBACK(onTrackScroll), this);
        g_signal_connect_after(w, "button-release-event", G_CALLBACK(onTrackRelease), this);
        break;
    default: break;
    }
}

// The dialog stays above the window that asked for it (the host's settings window, say).
void DialogWindow::stayAbove(uint32_t ownerWindow)
{
    GdkWindow* own = gtk_widget_get_window(GTK_WIDGET(window_));
    GdkDisplay* display = gdk_window_get_display(own);
    if (!GDK_IS_X11_DISPLAY(display)) return;
    gdk_x11_display_error_trap_push(display);
    XSetTransientForHint(GDK_DISPLAY_XDISPLAY(display), GDK_WINDOW_XID(own), Window(ownerWindow));
    gdk_x11_display_error_trap_pop_ignored(display);
}

// The first push button of the table takes the focus, as in a dialog that leaves focus to the system.
void DialogWindow::focusFirstButton()
{
    for (auto& [control, w] : placed_) {
        if (control->kind == ControlKind::DefaultButton || control->kind == ControlKind::Button) {
            gtk_widget_grab_focus(w);
            return;
        }
    }
}

void DialogWindow::onClicked(GtkButton* button, gpointer self)
{
    auto* dialog = static_cast<DialogWindow*>(self);
    // A radio button that was switched off by another one of its group says nothing.
    if (GTK_IS_RADIO_BUTTON(button) && !gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button))) return;
    dialog->command(idOf(GTK_WIDGET(button)));
}

gboolean DialogWindow::onChangeValue(GtkRange* range, GtkScrollType scroll, gdouble value, gpointer self)
{
    auto* dialog = static_cast<DialogWindow*>(self);
    if (dialog->quiet_ || dialog->ended_) return FALSE;
    GtkAdjustment* adjustment = gtk_range_get_adjustment(range);
    double lower = gtk_adjustment_get_lower(adjustment), upper = gtk_adjustment_get_upper(adjustment);
    double before = gtk_range_get_value(range);
    int position = int(std::lround(std::clamp(value, lower, upper)));
    ++dialog->quiet_;
    gtk_range_set_value(range, position);
    --dialog->quiet_;
    TrackNotification notification = notificationOf(scroll);
    // The wheel moves a track bar by lines.
    if (dialog->wheel_) notification = position < before ? TrackNotification::LineUp : TrackNotification::LineDown;
    dialog->procedure_.trackBarMoved(*dialog, idOf(GTK_WIDGET(range)), notification);
    return TRUE;
}

gboolean DialogWindow::onTrackScroll(GtkWidget* w, GdkEvent* event, gpointer self)
{
    auto* dialog = static_cast<DialogWindow*>(self);
    dialog->wheel_ = true;
    GTK_WIDGET_GET_CLASS(w)->scroll_event(w, &event->scroll);
    dialog->wheel_ = false;
    return TRUE;
}

gboolean DialogWindow::onTrackRelease(GtkWidget* w, GdkEvent*, gpointer self)
{
    auto* dialog = static_cast<DialogWindow*>(self);
    if (!dialog->quiet_ && !dialog->ended_)
        dialog->procedure_.trackBarMoved(*dialog, idOf(w), TrackNotification::EndTrack);
    return FALSE;
}

// Return goes to a focused push button, else to the default button (1); Escape is Cancel (2).
gboolean DialogWindow::onKeyPress(GtkWidget*, GdkEventKey* event, gpointer self)
{
    auto* dialog = static_cast<DialogWindow*>(self);
    switch (event->keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter: {
        GtkWidget* focus = gtk_window_get_focus(dialog->window_);
        bool pushButton = focus && GTK_IS_BUTTON(focus) && !GTK_IS_TOGGLE_BUTTON(focus) &&
                          gtk_widget_is_sensitive(focus);
        dialog->command(pushButton ? idOf(focus) : 1);
        return TRUE;
    }
    case GDK_KEY_Escape: dialog->command(2); return TRUE;
    default: return FALSE;
    }
}

gboolean DialogWindow::onDelete(GtkWidget*, GdkEvent*, gpointer self)
{
    static_cast<DialogWindow*>(self)->command(2);
    return TRUE;
}

gboolean DialogWindow::onDraw(GtkWidget*, cairo_t*, gpointer self)
{
    auto* dialog = static_cast<DialogWindow*>(self);
    if (!dialog->reported_ && shownHook) {
        dialog->reported_ = true;
        g_idle_add(onShown, dialog);
    }
    return FALSE;
}

gboolean DialogWindow::onShown(gpointer self)
{
    auto* dialog = static_cast<DialogWindow*>(self);
    if (shownHook && !dialog->ended_) {
        ShownDialog shown;
        dialog->report(shown);
        shownHook(shown, *dialog);
    }
    return G_SOURCE_REMOVE;
}

void DialogWindow::report(ShownDialog& shown) const
{
    shown.caption = template_.caption;
    shown.baseUnitX = int(baseX_);
    shown.baseUnitY = int(baseY_);
    GtkAllocation area;
    gtk_widget_get_allocation(fixed_, &area);
    shown.width = area.width;
    shown.height = area.height;
    GdkWindow* own = gtk_widget_get_window(GTK_WIDGET(window_));
    if (own && GDK_IS_X11_WINDOW(own)) shown.window = GDK_WINDOW_XID(own);
    for (auto& [control, w] : placed_) {
        ShownControl c;
        c.id = control->id;
        c.kind = control->kind;
        if (GTK_IS_LABEL(w)) c.text = gtk_label_get_text(GTK_LABEL(w));
        else if (GTK_IS_FRAME(w)) c.text = gtk_frame_get_label(GTK_FRAME(w)) ? gtk_frame_get_label(GTK_FRAME(w)) : "";
        else if (GTK_IS_BUTTON(w) && gtk_button_get_label(GTK_BUTTON(w))) c.text = gtk_button_get_label(GTK_BUTTON(w));
        gtk_widget_translate_coordinates(w, fixed_, 0, 0, &c.x, &c.y);
        GtkAllocation a;
        gtk_widget_get_allocation(w, &a);
        c.width = a.width;
        c.height = a.height;
        c.visible = gtk_widget_get_mapped(w);
        c.enabled = gtk_widget_is_sensitive(w);
        if (GTK_IS_IMAGE(w)) {
            GdkPixbuf* pixbuf = gtk_image_get_pixbuf(GTK_IMAGE(w));
            c.pictureWidth = pixbuf ? gdk_pixbuf_get_width(pixbuf) : 0;
            c.pictureHeight = pixbuf ? gdk_pixbuf_get_height(pixbuf) : 0;
        }
        shown.controls.push_back(c);
    }
}

} // namespace

int runDialog(const DialogTemplate& dialog, DialogProcedure& procedure, uint32_t ownerWindow)
{
    if (!openDisplay()) return DIALOG_NO_DISPLAY;
    DialogWindow window(dialog, procedure, nullptr);
    return window.run(ownerWindow);
}

const char* dialogError()
{
    return lastError.c_str();
}

void setDialogShownHook(DialogShownHook hook)
{
    shownHook = hook;
}

} // namespace qm::platform
