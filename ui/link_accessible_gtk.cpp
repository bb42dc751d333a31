#include <gtk/gtk.h>
// The accessible classes of GTK's own widgets, after the toolkit itself.
#include <gtk/gtk-a11y.h>

#include "ui/link_accessible.h"
#include "ui/link_static.h"

namespace {

constexpr char kLinkKey[] = "lumvik-link";

CLinkStatic* LinkOf(AtkAction* action) {
  GtkWidget* widget = gtk_accessible_get_widget(GTK_ACCESSIBLE(action));
  return widget ? static_cast<CLinkStatic*>(g_object_get_data(G_OBJECT(widget), kLinkKey))
                : nullptr;
}

gboolean DoAction(AtkAction* action, gint index) {
  CLinkStatic* link = LinkOf(action);
  if (index != 0 || !link) return FALSE;
  // After the request has been answered, as a click would come: the screen reader does
  // not wait for the browser to start.
  link->CallAfter(&CLinkStatic::OnClicked);
  return TRUE;
}

gint ActionCount(AtkAction* action) {
  return LinkOf(action) ? 1 : 0;
}

const gchar* ActionName(AtkAction*, gint index) {
  return index == 0 ? "click" : nullptr;
}

void InitActionInterface(gpointer iface, gpointer) {
  auto* action = static_cast<AtkActionIface*>(iface);
  action->do_action = DoAction;
  action->get_n_actions = ActionCount;
  action->get_name = ActionName;
}

// The accessible of a container widget (what wx draws the label on) with an action.
GType LinkAccessibleType() {
  static GType type = 0;
  if (type == 0) {
    GTypeQuery parent{};
    g_type_query(GTK_TYPE_CONTAINER_ACCESSIBLE, &parent);
    type = g_type_register_static_simple(GTK_TYPE_CONTAINER_ACCESSIBLE, "LumvikLinkAccessible",
                                         parent.class_size, nullptr, parent.instance_size, nullptr,
                                         GTypeFlags(0));
    const GInterfaceInfo action{InitActionInterface, nullptr, nullptr};
    g_type_add_interface_static(type, ATK_TYPE_ACTION, &action);
  }
  return type;
}

}  // namespace

void DescribeLinkForAssistiveTechnology(CLinkStatic* link) {
  GtkWidget* widget = link->GetHandle();
  if (!widget) return;
  g_object_set_data(G_OBJECT(widget), kLinkKey, link);
  // wx draws every label on one widget class, so its accessibles all get the type; only
  // a link's has an action.
  GtkWidgetClass* widgetClass = GTK_WIDGET_GET_CLASS(widget);
  static GtkWidgetClass* described = nullptr;
  if (described != widgetClass) {
    gtk_widget_class_set_accessible_type(widgetClass, LinkAccessibleType());
    described = widgetClass;
  }
  AtkObject* accessible = gtk_widget_get_accessible(widget);
  atk_object_set_role(accessible, ATK_ROLE_LINK);
  atk_object_set_name(accessible, link->GetLabel().utf8_str());
}
