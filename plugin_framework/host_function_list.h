// The viewer's 122 functions, as one list: the plugin's slot table, lookup
// loop and call-throughs are made from it, and so are the export lists of the
// stand-in viewer and the test hosts. No includes, so that the build can run
// the preprocessor over it alone; the types it names come from host_api.h.
#pragma once

// Every host function in lookup order. USED rows give the result, the
// parameters and the argument list of the ones this plugin calls; UNUSED rows
// are looked up and kept, never called.
#define TAMSEL_HOST_FUNCTIONS(USED, UNUSED) \
    USED(get_selected_id, std::int64_t, (PluginId id), (id)) \
    USED(get_all_objects_id, std::int64_t, (PluginId id), (id)) \
    UNUSED(set_color) \
    UNUSED(set_color_object) \
    UNUSED(set_default_color) \
    UNUSED(use_selection_color) \
    UNUSED(set_visible) \
    UNUSED(set_visible_object) \
    UNUSED(set_visible_many) \
    UNUSED(set_visible_many_objects) \
    UNUSED(set_object_color) \
    UNUSED(set_object_color_rgb) \
    UNUSED(set_object_default_color) \
    UNUSED(get_object_color) \
    UNUSED(set_object_visible) \
    UNUSED(set_object_active) \
    UNUSED(select) \
    UNUSED(unselect_openings) \
    UNUSED(select_many) \
    UNUSED(zoom_to) \
    UNUSED(zoom_to_box) \
    UNUSED(get_camera_pos) \
    UNUSED(set_camera_pos) \
    UNUSED(invalidate) \
    UNUSED(get_draw_time) \
    UNUSED(get_all_objects) \
    UNUSED(get_selected) \
    UNUSED(get_visible) \
    UNUSED(get_object_state) \
    UNUSED(is_visible) \
    UNUSED(is_transparent) \
    UNUSED(is_selected) \
    UNUSED(is_active) \
    UNUSED(get_childs) \
    UNUSED(get_object_info) \
    UNUSED(set_user_data) \
    UNUSED(get_user_data) \
    UNUSED(get_project) \
    UNUSED(get_building) \
    UNUSED(get_storey) \
    UNUSED(get_parent) \
    UNUSED(get_object_info2) \
    UNUSED(get_property_sets) \
    UNUSED(get_properties) \
    UNUSED(filter_properties) \
    UNUSED(select_property) \
    UNUSED(get_unit_factor) \
    UNUSED(first_geometry) \
    UNUSED(get_geometry) \
    UNUSED(next_geometry) \
    USED(on_measure_change, void, (PluginId id, HostCallback callback), (id, callback)) \
    UNUSED(get_measure) \
    UNUSED(get_measure_objects) \
    UNUSED(clear_measure) \
    USED(get_loaded_ifc_path, const wchar_t*, (PluginId id), (id)) \
    UNUSED(load_ifc) \
    UNUSED(calculate_object_id) \
    USED(on_model_load, void, (PluginId id, HostCallback callback), (id, callback)) \
    USED(on_selection_change, void, (PluginId id, HostCallback callback), (id, callback)) \
    UNUSED(get_clicked_pos) \
    USED(on_draw, void, (PluginId id, HostCallback callback), (id, callback)) \
    UNUSED(set_draw_object_id) \
    UNUSED(on_draw_object_click) \
    UNUSED(get_draw_object_id) \
    UNUSED(draw_point) \
    UNUSED(draw_line) \
    UNUSED(draw_sphere) \
    UNUSED(load_icon_image) \
    UNUSED(draw_icon) \
    UNUSED(draw_label) \
    UNUSED(get_element_pos) \
    USED(get_language, const wchar_t*, (PluginId id), (id)) \
    USED(load_texts, std::uint8_t, (PluginId id, const wchar_t* path), (id, path)) \
    USED(get_text, const wchar_t*, (PluginId id, const char* key), (id, key)) \
    UNUSED(get_entity_type_name) \
    UNUSED(create_tab) \
    UNUSED(create_group) \
    UNUSED(show_group) \
    USED(create_button, std::int32_t, (PluginId id, std::int32_t zero, HostCallback callback), (id, zero, callback)) \
    UNUSED(create_small_button) \
    UNUSED(create_checkbox) \
    UNUSED(create_radio_button) \
    UNUSED(create_dropdown_button) \
    UNUSED(create_sub_button) \
    UNUSED(create_sub_button2) \
    UNUSED(add_button) \
    UNUSED(add_separator) \
    USED(set_button_text, void, (PluginId id, std::int32_t button, const wchar_t* caption, const wchar_t* hint), (id, button, caption, hint)) \
    USED(set_button_image, void, (PluginId id, std::int32_t button, const wchar_t* png_path), (id, button, png_path)) \
    USED(set_button_small_image, void, (PluginId id, std::int32_t button, const wchar_t* png_path), (id, button, png_path)) \
    UNUSED(set_button_state) \
    UNUSED(set_button_down) \
    UNUSED(set_button_guid) \
    USED(enable_button, void, (PluginId id, std::int32_t button, std::uint8_t enabled), (id, button, enabled)) \
    UNUSED(show_button) \
    USED(clicked_button, std::int32_t, (PluginId id), (id)) \
    UNUSED(begin_control_group) \
    USED(on_context_menu, void, (PluginId id, HostCallback callback), (id, callback)) \
    UNUSED(add_context_button) \
    UNUSED(create_gallery_button) \
    UNUSED(set_gallery_style) \
    UNUSED(create_gallery_category) \
    UNUSED(set_gallery_category_text) \
    UNUSED(set_gallery_category_style) \
    UNUSED(delete_gallery_category) \
    UNUSED(create_gallery_item) \
    UNUSED(set_gallery_item_text) \
    UNUSED(set_gallery_item_image) \
    UNUSED(delete_gallery_item) \
    UNUSED(clear_gallery) \
    UNUSED(on_gallery_item_context_menu) \
    UNUSED(is_center_view) \
    UNUSED(get_active_tab) \
    USED(on_tab_change, void, (PluginId id, HostCallback callback), (id, callback)) \
    USED(get_gui_color, std::uint32_t, (PluginId id, std::int32_t number), (id, number)) \
    USED(get_view_rect, void, (PluginId id, std::int32_t* left_top_right_bottom), (id, left_top_right_bottom)) \
    UNUSED(show_ifc_structure_grid) \
    USED(is_touch_mode, std::uint8_t, (PluginId id), (id)) \
    UNUSED(get_view_state) \
    UNUSED(set_view_state) \
    USED(render_screenshot, std::uint8_t, (PluginId id, std::int32_t width, std::int32_t height, std::uint8_t* rgb_rows_bottom_up), (id, width, height, rgb_rows_bottom_up)) \
    USED(set_screenshot_style, void, (PluginId id, std::int32_t style), (id, style))
