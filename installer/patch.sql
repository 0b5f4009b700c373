-- What wixl 0.101 cannot express, applied to its MSI by build_msi.sh: one query a line.
-- DllSurrogate is REG_EXPAND_SZ ("#%" starts the Value column; wixl writes REG_SZ);
-- the plugin module by PLUGINARCH (wixl takes no Condition in a Component);
-- the public properties that a managed install passes to the server.
UPDATE `Registry` SET `Value` = '#%%SystemRoot%\system32\prevhost.exe' WHERE `Registry` = 'Surrogate64'
UPDATE `Component` SET `Condition` = 'NOT (PLUGINARCH~="x64")' WHERE `Component` = 'PluginModule32'
UPDATE `Component` SET `Condition` = 'PLUGINARCH~="x64"' WHERE `Component` = 'PluginModule64'
UPDATE `Property` SET `Value` = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;PLUGINDIR;PLUGINARCH' WHERE `Property` = 'SecureCustomProperties'
