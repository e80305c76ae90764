# Sources of this folder, added to kazeyomi_core.
