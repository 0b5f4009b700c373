// The check on the one list that the plugin and the build make everything from.
#pragma once

// The viewer's names in its lookup order, written out independently of the
// list that drives the table.
inline const char* const kViewerNames[] = {
    "get_selected_id", "get_all_objects_id", "set_color", "set_color_object", "set_default_color",
    "use_selection_color", "set_visible", "set_visible_object", "set_visible_many",
    "set_visible_many_objects", "set_object_color", "set_object_color_rgb",
    "set_object_default_color", "get_object_color", "set_object_visible", "set_object_active",
    "select", "unselect_openings", "select_many", "zoom_to", "zoom_to_box", "get_camera_pos",
    "set_camera_pos", "invalidate", "get_draw_time", "get_all_objects", "get_selected",
    "get_visible", "get_object_state", "is_visible", "is_transparent", "is_selected", "is_active",
    "get_childs", "get_object_info", "set_user_data", "get_user_data", "get_project",
    "get_building", "get_storey", "get_parent", "get_object_info2", "get_property_sets",
    "get_properties", "filter_properties", "select_property", "get_unit_factor", "first_geometry",
    "get_geometry", "next_geometry", "on_measure_change", "get_measure", "get_measure_objects",
    "clear_measure", "get_loaded_ifc_path", "load_ifc", "calculate_object_id", "on_model_load",
    "on_selection_change", "get_clicked_pos", "on_draw", "set_draw_object_id",
    "on_draw_object_click", "get_draw_object_id", "draw_point", "draw_line", "draw_sphere",
    "load_icon_image", "draw_icon", "draw_label", "get_element_pos", "get_language", "load_texts",
    "get_text", "get_entity_type_name", "create_tab", "create_group", "show_group", "create_button",
    "create_small_button", "create_checkbox", "create_radio_button", "create_dropdown_button",
    "create_sub_button", "create_sub_button2", "add_button", "add_separator", "set_button_text",
    "set_button_image", "set_button_small_image", "set_button_state", "set_button_down",
    "set_button_guid", "enable_button", "show_button", "clicked_button", "begin_control_group",
    "on_context_menu", "add_context_button", "create_gallery_button", "set_gallery_style",
    "create_gallery_category", "set_gallery_category_text", "set_gallery_category_style",
    "delete_gallery_category", "create_gallery_item", "set_gallery_item_text",
    "set_gallery_item_image", "delete_gallery_item", "clear_gallery",
    "on_gallery_item_context_menu", "is_center_view", "get_active_tab", "on_tab_change",
    "get_gui_color", "get_view_rect", "show_ifc_structure_grid", "is_touch_mode", "get_view_state",
    "set_view_state", "render_screenshot", "set_screenshot_style",
};
