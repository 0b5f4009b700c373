-- What wixl 0.101 cannot express, applied to its MSI by build_msi.sh: one query a line.
-- DllSurrogate is REG_EXPAND_SZ ("#%" starts the Value column; wixl writes REG_SZ);
-- the plugin module by PLUGINARCH and the team store policy by TEAMSTORE (wixl
-- takes no Condition in a Component; the user package has no TeamStore row);
-- the public properties that a managed install passes to the server;
-- the upgrade row with its maximum, this version, inclusive (512) besides the
-- minimum (256), and feature choices kept (1): Attributes is a key column, so
-- the row is made anew. build_msi.sh puts in @UPGRADECODE@ and @VERSION@.
UPDATE `Registry` SET `Value` = '#%%SystemRoot%\system32\prevhost.exe' WHERE `Registry` = 'Surrogate64'
UPDATE `Component` SET `Condition` = 'NOT (PLUGINARCH~="x64")' WHERE `Component` = 'PluginModule32'
UPDATE `Component` SET `Condition` = 'PLUGINARCH~="x64"' WHERE `Component` = 'PluginModule64'
UPDATE `Component` SET `Condition` = 'TEAMSTORE' WHERE `Component` = 'TeamStore'
UPDATE `Property` SET `Value` = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;PLUGINDIR;PLUGINARCH;TEAMSTORE' WHERE `Property` = 'SecureCustomProperties'
DELETE FROM `Upgrade` WHERE `ActionProperty` = 'WIX_UPGRADE_DETECTED'
INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMin`, `VersionMax`, `Attributes`, `ActionProperty`) VALUES ('@UPGRADECODE@', '0.0.0', '@VERSION@', 769, 'WIX_UPGRADE_DETECTED')
